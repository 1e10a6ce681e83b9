// Examination of manifest groups against real files: versions, kinds, package sizes.
#include "states/GroupExamination.h"

#include "app/Md5.h"
#include "states/ManifestVersion.h"
#include "tests/states/UpdateTestSupport.h"
#include "tests/support/ReleaseWriter.h"

#include <gtest/gtest.h>

using Kestrel::FileAction;
using Kestrel::FileActionKind;
using Kestrel::GroupPlan;

namespace {

class GroupExaminationTest : public Testing::InstallationTest {
protected:
    // Every group's plan in document order, checking that each examination leaves the archive on
    // its group so that stepping to the next one works.
    std::vector<GroupPlan> examineAll(std::int32_t localVersion, bool fullCheck = false) {
        const auto archive = Testing::manifestArchive(release.manifest());
        std::vector<GroupPlan> plans;
        EXPECT_TRUE(archive->enter("manifest"));
        for (auto group = archive->nextElement(nullptr, "group"); group;
             group = archive->nextElement(group, "group")) {
            plans.push_back(Kestrel::examineGroup(*archive, localVersion, fullCheck, files));
            EXPECT_EQ(archive->getName(), "group");
        }
        EXPECT_EQ(archive->getName(), "manifest");
        return plans;
    }

    Testing::ReleaseWriter release{"2.0"};
};

// An action that takes bytes carries the digest of the bytes ReleaseWriter wrote.
FileAction action(const std::string &name, FileActionKind kind, const std::string &data = "",
                  const std::string &args = "") {
    return FileAction{name, args, kind, Cobalt::md5Hex({data.begin(), data.end()})};
}

TEST_F(GroupExaminationTest, NewerFilesArePlannedByTheirKind) {
    auto &group = release.addGroup("main", "2.0", "packs/main.zip");
    group.add("bin/game.exe", "game", "2.0");
    group.add("bin/older.dll", "older", "1.9");
    group.add("equal.txt", "e", "1.10");
    group.add("setup.exe", "setup", "2.0", "exec").args = "/quiet /x";
    group.add("config/missing.ini", "defaults", "1.11", "restore_only");
    group.add("config/present.ini", "defaults", "1.11", "restore_only");
    group.add("maps/", "", "2.0", "folder");
    group.add("gone.txt", "", "2.0", "removed");
    group.add("also-gone.txt", "", "2.0", "deleted");
    group.add("never-there.txt", "", "2.0", "removed");
    for (const char *type : {"Exec", "EXEC", " exec", "restore-only", "remove"})
        group.add(std::string("odd type ") + type, "s", "2.0", type);
    place("config/present.ini", "player's own settings");
    place("gone.txt", "stale");
    place("also-gone.txt", "stale");

    const auto plans = examineAll(110);

    ASSERT_EQ(plans.size(), 1u);
    EXPECT_EQ(plans[0].name, "main");
    EXPECT_EQ(plans[0].packagePath, "packs/main.zip");
    EXPECT_EQ(plans[0].packageSize, static_cast<std::int32_t>(group.package().bytes().size()));
    const std::vector<FileAction> expected = {
        action("bin/game.exe", FileActionKind::Replace, "game"),
        action("setup.exe", FileActionKind::Execute, "setup", "/quiet /x"),
        action("config/missing.ini", FileActionKind::RestoreOnly, "defaults"),
        action("maps/", FileActionKind::Folder),
        action("gone.txt", FileActionKind::Delete),
        action("also-gone.txt", FileActionKind::Delete),
    };
    EXPECT_EQ(plans[0].actions, expected);
}

TEST_F(GroupExaminationTest, GroupAndFileVersionsMustBeStrictlyNewer) {
    release.addGroup("equal", "1.10", "equal.zip").add("a.txt", "a", "2.0");
    release.addGroup("hundred", "1.100", "hundred.zip").add("b.txt", "b", "2.0");
    auto &newer = release.addGroup("newer", "1.11", "newer.zip");
    newer.add("same.txt", "s", "1.10");
    newer.add("next.txt", "n", "1.11");
    newer.add("unversioned.txt", "u", "");
    release.addGroup("stale files", "1.11", "stale.zip").add("c.txt", "c", "1.9");

    const auto plans = examineAll(Kestrel::parseManifestVersion("1.10"));

    ASSERT_EQ(plans.size(), 4u);
    EXPECT_TRUE(plans[0].actions.empty());
    EXPECT_TRUE(plans[1].actions.empty()) << "1.100 is 100, older than 1.10";
    EXPECT_EQ(plans[2].actions,
              std::vector<FileAction>{action("next.txt", FileActionKind::Replace, "n")});
    EXPECT_EQ(plans[2].packagePath, "newer.zip");
    // A newer group whose files are all older has no work and so no package.
    EXPECT_TRUE(plans[3].actions.empty());
    EXPECT_EQ(plans[3].packagePath, "");
    EXPECT_EQ(plans[3].packageSize, 0);
}

TEST_F(GroupExaminationTest, SizeIsALeadingIntegerOrNoPackage) {
    // An empty text leaves the attribute out.
    const std::pair<std::string, std::int32_t> sizes[] = {
        {"", 0}, {"abc", 0}, {"12abc", 12}, {"99999999999", 2147483647}};
    for (const auto &[text, size] : sizes) {
        auto &group = release.addGroup("g", "3", "g.zip");
        group.add("f.txt", "f", "3");
        group.size = text;
    }
    const auto plans = examineAll(0);
    ASSERT_EQ(plans.size(), std::size(sizes));
    for (std::size_t index = 0; index < plans.size(); ++index)
        EXPECT_EQ(plans[index].packageSize, sizes[index].second) << index;
}

} // namespace
