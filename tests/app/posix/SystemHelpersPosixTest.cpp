// Tests of the POSIX twins of the helpers: the XDG documents folder, TMPDIR, the program path.
#include "platform/SystemHelpers.h"

#include "tests/support/TempFolder.h"
#include "tests/support/posix/ScopedVariable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

using Testing::ScopedVariable;

TEST(DocumentsFolderPosixTest, CreatesTheUserDirsEntryOrElseDocumentsAndNeedsAHome) {
    const Testing::TempFolder temp;
    const std::string home = temp / "home";
    const ScopedVariable homeVariable("HOME", home.c_str()), config("XDG_CONFIG_HOME", nullptr),
        documents("XDG_DOCUMENTS_DIR", nullptr);
    EXPECT_EQ(Cobalt::documentsFolder(), home + "/Documents");
    EXPECT_TRUE(fs::is_directory(home + "/Documents"));
    fs::create_directory(home + "/.config");
    temp.write("home/.config/user-dirs.dirs", "# XDG_DOCUMENTS_DIR=\"$HOME/Commented\"\n"
                                              "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    EXPECT_EQ(Cobalt::documentsFolder(), home + "/Papers");
    EXPECT_TRUE(fs::is_directory(home + "/Papers"));
    const ScopedVariable noHome("HOME", nullptr);
    EXPECT_EQ(Cobalt::documentsFolder(), "");
}

TEST(TempFolderPosixTest, FollowsTmpdirWithATrailingSeparator) {
    for (const char *tmpdir : {"/var/tmp", "/var/tmp/", static_cast<const char *>(nullptr)}) {
        SCOPED_TRACE(tmpdir ? tmpdir : "no TMPDIR");
        const ScopedVariable variable("TMPDIR", tmpdir);
        EXPECT_EQ(Cobalt::tempFolder(), tmpdir ? "/var/tmp/" : "/tmp/");
    }
}

} // namespace

// A copy of this program in a folder far longer than the 128-character first read still finds
// its own path whole (Windows runs the same rule; starting a copy there needs a process launcher).
TEST(ExecutablePathPosixTest, APathLongerThanTheFirstReadIsReadWhole) {
    const Testing::TempFolder temp;
    const fs::path folder = fs::path(temp.path()) / std::string(100, 'a') / std::string(100, 'b');
    fs::create_directories(folder);
    const fs::path copy = folder / "engine_tests";
    fs::copy_file(Cobalt::executablePath(), copy);
    const std::string command = copy.string() +
                                " --gtest_filter=SystemHelpersTest.ExecutablePath* > " +
                                (temp / "output.txt");
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_NE(temp.read("output.txt").find("[  PASSED  ] 1 test."), std::string::npos)
        << "the copy must have run the path test: " << temp.read("output.txt");
}
