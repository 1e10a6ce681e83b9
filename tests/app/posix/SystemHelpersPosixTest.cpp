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
#include <string>
#include <sys/wait.h>
#include <thread>

namespace {

namespace fs = std::filesystem;

// Sets (or, for a null value, clears) an environment variable while it lives.
class ScopedVariable {
public:
    ScopedVariable(const char *name, const char *value) : name(name) {
        if (const char *old = std::getenv(name))
            saved = old;
        set(value);
    }
    ~ScopedVariable() { set(saved ? saved->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable &) = delete;
    ScopedVariable &operator=(const ScopedVariable &) = delete;

private:
    void set(const char *value) const { value ? setenv(name, value, 1) : unsetenv(name); }

    const char *name;
    std::optional<std::string> saved;
};

// A home folder of its own, with no XDG settings from the machine running the tests.
class DocumentsFolderTest : public ::testing::Test {
protected:
    std::string home() const { return temp.path() + "home"; }
    void writeUserDirs(const std::string &folder, const std::string &text) const {
        fs::create_directories(folder);
        std::ofstream(folder + "/user-dirs.dirs") << text;
    }

    Testing::TempFolder temp;
    ScopedVariable homeVariable{"HOME", home().c_str()};
    ScopedVariable configVariable{"XDG_CONFIG_HOME", nullptr};
    ScopedVariable documentsVariable{"XDG_DOCUMENTS_DIR", nullptr};
};

TEST_F(DocumentsFolderTest, CreatesTheHomeRelativeUserDirsEntryOrElseDocuments) {
    const struct {
        const char *userDirs; // null: no file
        const char *folder;
    } rows[] = {
        {nullptr, "Documents"},
        {"# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
         "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n",
         "Papers"},
        {"# XDG_DOCUMENTS_DIR=\"$HOME/Commented\"\nXDG_DOCUMENTS_DIR=\"Relative\"\n", "Documents"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.userDirs ? row.userDirs : "no user-dirs.dirs");
        fs::remove_all(home());
        if (row.userDirs)
            writeUserDirs(home() + "/.config", row.userDirs);
        EXPECT_EQ(Cobalt::documentsFolder(), home() + "/" + row.folder);
        EXPECT_TRUE(fs::is_directory(home() + "/" + row.folder));
        EXPECT_EQ(fs::exists(home() + "/Documents"), row.folder == std::string("Documents"));
    }
}

TEST_F(DocumentsFolderTest, TheVariableComesBeforeAnAbsoluteEntryInXdgConfigHome) {
    const std::string config = temp.path() + "config";
    writeUserDirs(config, "XDG_DOCUMENTS_DIR=\"" + temp.path() + "elsewhere/docs\"\n");
    const ScopedVariable configHome("XDG_CONFIG_HOME", config.c_str());
    EXPECT_EQ(Cobalt::documentsFolder(), temp.path() + "elsewhere/docs");
    EXPECT_TRUE(fs::is_directory(temp.path() + "elsewhere/docs"));
    const std::string chosen = temp.path() + "chosen";
    const ScopedVariable documents("XDG_DOCUMENTS_DIR", chosen.c_str());
    EXPECT_EQ(Cobalt::documentsFolder(), chosen);
}

TEST_F(DocumentsFolderTest, IsEmptyWithoutAHomeOrWhenTheFolderCannotBeCreated) {
    {
        const ScopedVariable noHome("HOME", nullptr);
        EXPECT_EQ(Cobalt::documentsFolder(), "");
    }
    temp.write("plain-file", "not a folder");
    const ScopedVariable blockedHome("HOME", (temp / "plain-file").c_str());
    EXPECT_EQ(Cobalt::documentsFolder(), "");
}

TEST(TempFolderPosixTest, FollowsTmpdirWithATrailingSeparator) {
    for (const char *tmpdir : {"/var/tmp", "/var/tmp/", static_cast<const char *>(nullptr)}) {
        SCOPED_TRACE(tmpdir ? tmpdir : "no TMPDIR");
        const ScopedVariable variable("TMPDIR", tmpdir);
        EXPECT_EQ(Cobalt::tempFolder(), tmpdir ? "/var/tmp/" : "/tmp/");
    }
}

// Waits for a launched program's effect; the launch itself reports nothing.
bool eventually(const std::function<bool()> &condition) {
    for (int attempt = 0; attempt < 1000 && !condition(); ++attempt)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return condition();
}

// Whether a child of this process has ended and not been reaped (it is left waitable).
bool hasZombieChild() {
    siginfo_t info{};
    return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0;
}

TEST(RunWithShellPosixTest, StartsTheProgramDetachedAndReportsSuccessEvenWhenNothingStarts) {
    const Testing::TempFolder temp;
    const std::string parameters = "  " + (temp / "one") + "   " + (temp / "two") + " ";
    EXPECT_TRUE(Cobalt::runWithShell("touch", parameters.c_str()));
    EXPECT_TRUE(Cobalt::runWithShell("/nonexistent/brightwell-program", nullptr));
    EXPECT_TRUE(Cobalt::runWithShell("", ""));
    EXPECT_TRUE(eventually([&] { return fs::exists(temp / "one") && fs::exists(temp / "two"); }));
    EXPECT_FALSE(fs::exists(temp.path() + " "));
    EXPECT_TRUE(eventually([] { return !hasZombieChild(); }));
}

} // namespace
