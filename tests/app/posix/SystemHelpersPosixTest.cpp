// Tests of the POSIX twins of the helpers: the XDG documents folder, TMPDIR and detached launches.
#include "platform/SystemHelpers.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

// Sets or clears an environment variable for one test and restores it afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char *name, const char *value) : name(name) {
        if (const char *old = std::getenv(name))
            saved = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedVariable() {
        if (saved)
            setenv(name, saved->c_str(), 1);
        else
            unsetenv(name);
    }
    ScopedVariable(const ScopedVariable &) = delete;
    ScopedVariable &operator=(const ScopedVariable &) = delete;

private:
    const char *name;
    std::optional<std::string> saved;
};

// A home folder of its own, with no XDG settings from the machine running the tests.
class DocumentsFolderTest : public ::testing::Test {
protected:
    std::string home() const { return temp.path() + "home"; }
    void writeUserDirs(const std::string &folder, const std::string &text) const {
        std::filesystem::create_directories(folder);
        std::ofstream(folder + "/user-dirs.dirs") << text;
    }

    Testing::TempFolder temp;
    ScopedVariable homeVariable{"HOME", home().c_str()};
    ScopedVariable configVariable{"XDG_CONFIG_HOME", nullptr};
    ScopedVariable documentsVariable{"XDG_DOCUMENTS_DIR", nullptr};
};

TEST_F(DocumentsFolderTest, CreatesDocumentsUnderHomeByDefault) {
    EXPECT_EQ(Cobalt::documentsFolder(), home() + "/Documents");
    EXPECT_TRUE(std::filesystem::is_directory(home() + "/Documents"));
}

TEST_F(DocumentsFolderTest, FollowsTheUserDirsEntryRelativeToHome) {
    writeUserDirs(home() + "/.config", "# written by xdg-user-dirs-update\n"
                                       "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                       "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    EXPECT_EQ(Cobalt::documentsFolder(), home() + "/Papers");
    EXPECT_TRUE(std::filesystem::is_directory(home() + "/Papers"));
    EXPECT_FALSE(std::filesystem::exists(home() + "/Documents"));
}

TEST_F(DocumentsFolderTest, FollowsAnAbsoluteUserDirsEntryInXdgConfigHome) {
    const std::string config = temp.path() + "config";
    writeUserDirs(config, "XDG_DOCUMENTS_DIR=\"" + temp.path() + "elsewhere/docs\"\n");
    const ScopedVariable configHome("XDG_CONFIG_HOME", config.c_str());
    EXPECT_EQ(Cobalt::documentsFolder(), temp.path() + "elsewhere/docs");
    EXPECT_TRUE(std::filesystem::is_directory(temp.path() + "elsewhere/docs"));
}

TEST_F(DocumentsFolderTest, IgnoresCommentedAndRelativeEntries) {
    writeUserDirs(home() + "/.config", "# XDG_DOCUMENTS_DIR=\"$HOME/Commented\"\n"
                                       "XDG_DOCUMENTS_DIR=\"Relative\"\n");
    EXPECT_EQ(Cobalt::documentsFolder(), home() + "/Documents");
}

TEST_F(DocumentsFolderTest, EnvironmentVariableComesFirst) {
    writeUserDirs(home() + "/.config", "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    const std::string chosen = temp.path() + "chosen";
    const ScopedVariable documents("XDG_DOCUMENTS_DIR", chosen.c_str());
    EXPECT_EQ(Cobalt::documentsFolder(), chosen);
}

TEST_F(DocumentsFolderTest, IsEmptyWithoutHome) {
    const ScopedVariable noHome("HOME", nullptr);
    EXPECT_EQ(Cobalt::documentsFolder(), "");
}

TEST_F(DocumentsFolderTest, IsEmptyWhenTheFolderCannotBeCreated) {
    temp.write("plain-file", "not a folder");
    const std::string fileAsHome = temp / "plain-file";
    const ScopedVariable blockedHome("HOME", fileAsHome.c_str());
    EXPECT_EQ(Cobalt::documentsFolder(), "");
}

TEST(TempFolderPosixTest, FollowsTmpdirWithATrailingSeparator) {
    {
        const ScopedVariable tmpdir("TMPDIR", "/var/tmp");
        EXPECT_EQ(Cobalt::tempFolder(), "/var/tmp/");
    }
    {
        const ScopedVariable tmpdir("TMPDIR", "/var/tmp/");
        EXPECT_EQ(Cobalt::tempFolder(), "/var/tmp/");
    }
    const ScopedVariable noTmpdir("TMPDIR", nullptr);
    EXPECT_EQ(Cobalt::tempFolder(), "/tmp/");
}

// Waits for a launched program's effect; the launch itself reports nothing.
bool eventually(const std::function<bool()> &condition) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

// Whether a child of this process has ended and not been reaped.
bool hasZombieChild() {
    const std::string parent = std::to_string(getpid());
    for (const auto &entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        // pid (name) state ppid ...: the name may hold blanks, so read after its last ')'.
        std::istringstream fields(line.substr(line.rfind(')') + 1));
        std::string state, ppid;
        fields >> state >> ppid;
        if (state == "Z" && ppid == parent)
            return true;
    }
    return false;
}

TEST(RunWithShellPosixTest, StartsTheProgramWithBlankSeparatedParameters) {
    const Testing::TempFolder temp;
    const std::string parameters = "  " + (temp / "one") + "   " + (temp / "two") + " ";
    EXPECT_TRUE(Cobalt::runWithShell("touch", parameters.c_str()));
    EXPECT_TRUE(eventually([&] {
        return std::filesystem::exists(temp / "one") && std::filesystem::exists(temp / "two");
    }));
    EXPECT_FALSE(std::filesystem::exists(temp.path() + " "));
    EXPECT_TRUE(eventually([] { return !hasZombieChild(); }));
}

TEST(RunWithShellPosixTest, ReportsSuccessEvenWhenNothingStarts) {
    EXPECT_TRUE(Cobalt::runWithShell("/nonexistent/brightwell-program", nullptr));
    EXPECT_TRUE(Cobalt::runWithShell("true", nullptr));
    EXPECT_TRUE(Cobalt::runWithShell("", ""));
    EXPECT_TRUE(eventually([] { return !hasZombieChild(); }));
}

} // namespace
