// The description file: its line format, its refusals, and which group takes a file.
#include "tools/release/ReleaseDescription.h"

#include "tests/support/FailureOf.h"
#include "tools/release/ReleaseError.h"

#include <gtest/gtest.h>

#include <sstream>

using Release::ReleaseDescription;

namespace {

ReleaseDescription parsed(const std::string &text) {
    std::istringstream in(text);
    return ReleaseDescription::parse(in, "release.txt");
}

std::string refusalOf(const std::string &text) {
    return Testing::failureOf([&] { parsed(text); });
}

TEST(ReleaseDescriptionTest, ReadsGroupsPatternsAndSpecialEntries) {
    const auto description = parsed("# the demo's release\n"
                                    "\n"
                                    "group core  core.zip   # the binaries\n"
                                    "files game.exe bin\\ *\n"
                                    "group data packs\\data.zip\n"
                                    "\tfiles data/\n"
                                    "exec bin\\setup.exe   /quiet   /dir \"C:\\Games\"  \r\n"
                                    "exec bin/plain.exe\n"
                                    "restore_only config/options.ini\n");
    ASSERT_EQ(description.groups.size(), 2u);
    EXPECT_EQ(description.groups[0].name, "core");
    EXPECT_EQ(description.groups[0].packagePath, "core.zip");
    EXPECT_EQ(description.groups[0].patterns, (std::vector<std::string>{"game.exe", "bin/", "*"}));
    EXPECT_EQ(description.groups[1].packagePath, "packs/data.zip");
    EXPECT_EQ(description.groups[1].patterns, std::vector<std::string>{"data/"});
    EXPECT_EQ(description.execs.at("bin/setup.exe"), "/quiet   /dir \"C:\\Games\"");
    EXPECT_EQ(description.execs.at("bin/plain.exe"), "");
    EXPECT_EQ(description.restoreOnly, std::vector<std::string>{"config/options.ini"});
}

TEST(ReleaseDescriptionTest, TheMostSpecificPatternTakesAFile) {
    const auto description = parsed("group rest rest.zip\nfiles *\n"
                                    "group data data.zip\nfiles data/\n"
                                    "group maps maps.zip\nfiles data/maps/\n"
                                    "group one one.zip\nfiles data/maps/special.map\n");
    const std::pair<const char *, int> cases[] = {
        {"data/maps/a.map", 2},
        {"data/maps/special.map", 3},
        {"data/mapsx/a", 1},
        {"database.txt", 0},
    };
    for (const auto &[name, group] : cases)
        EXPECT_EQ(description.groupOf(name), group) << name;
    EXPECT_EQ(parsed("group g g.zip\nfiles a/\n").groupOf("b.txt"), -1);
}

TEST(ReleaseDescriptionTest, RefusesWhatTheLauncherCouldNotUseNamingTheLine) {
    const std::pair<const char *, const char *> cases[] = {
        {"group a a.zip\nfiles x\nbogus y\n", "release.txt, line 3: unknown keyword \"bogus\""},
        {"files x\n", "release.txt, line 1: \"files\" comes before any \"group\""},
        {"group a\n", "release.txt, line 1: \"group\" takes 2 words"},
        {"group a a.zip\ngroup a b.zip\n",
         "release.txt, line 2: the group \"a\" is described twice"},
        {"group a p.zip\ngroup b p.zip\n",
         "release.txt, line 2: two groups use the package \"p.zip\""},
        {"group a a.zip\nfiles x/\ngroup b b.zip\nfiles x\\\n",
         "release.txt, line 4: \"x/\" is given to two groups"},
        {"group a a.zip\nexec ../up.exe\n",
         "release.txt, line 2: \"../up.exe\" names a file outside the installation"},
        {"group a a.zip\nrestore_only temp:x.ini\n",
         "release.txt, line 2: \"temp:x.ini\" names a file outside the installation"},
        {"group a a.zip\nexec .brightwell/x.exe\n",
         "release.txt, line 2: \".brightwell/x.exe\" names a file outside the installation"},
        {"group a a.zip\nexec x.exe\nrestore_only x.exe\n",
         "release.txt, line 3: \"x.exe\" is marked twice"},
        {"group a con.zip\n", "release.txt, line 1: \"con.zip\" cannot be installed on Windows: "
                              "\"con.zip\" is a device name on Windows"},
        {"# nothing\n", "release.txt: describes no group"},
    };
    for (const auto &[text, message] : cases)
        EXPECT_EQ(refusalOf(text), message) << text;
}

} // namespace
