// A manifest out of date for a player without administrator rights, end to end: the elevated
// relaunch's parameters, a declined prompt and a missing launcher program (straight on to the
// game), an elevated copy that never relaunches itself, and an accepted prompt whose copy (the
// real headless launcher) updates the installation while this one waits with its window hidden,
// then starts the game.
#include "states/WaitForUpdateState.h"

#include "platform/Elevation.h"
#include "platform/headless/HeadlessWindows.h"
#include "tests/support/headless/LaunchTest.h"
#include "tests/support/ReleaseWriter.h"
#include "tests/support/posix/ScopedVariable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <signal.h>
#include <sstream>
#include <thread>

namespace Headless = Kestrel::Platform::Headless;
namespace fs = std::filesystem;
using Kestrel::Platform::ElevationAnswer;

namespace {

// Stops process after a minute, so that a copy that never ends fails the test instead of
// blocking the run.
class Watchdog {
public:
    explicit Watchdog(long process)
        : thread([this, process] {
              if (ended.wait_for(std::chrono::seconds(60)) == std::future_status::timeout)
                  kill(static_cast<pid_t>(process), SIGTERM);
          }) {}
    ~Watchdog() {
        done.set_value();
        thread.join();
    }

private:
    std::promise<void> done;
    std::future<void> ended = done.get_future();
    std::thread thread;
};

class WaitForUpdateStateTest : public Testing::LaunchTest {
protected:
    void SetUp() override {
        LaunchTest::SetUp();
        if (IsSkipped())
            return;
        // The server's default holds "7"; an administrator could update, this player cannot.
        folder.write("manifest.xml", Installed6);
        Kestrel::overrideUserAdmin(false);
    }

    // Declines or accepts every prompt, recording the parameters asked for.
    void answerPrompts(ElevationAnswer answer) {
        Kestrel::Platform::setElevationAnswerer([this, answer](const std::string &parameters) {
            prompts.push_back(parameters);
            return answer;
        });
    }

    // Logs in and runs the version check until it has been left; what the launcher printed.
    std::string runUntilRelaunched() {
        fillLogin("password", false);
        Headless::click(loginButton());
        testing::internal::CaptureStdout();
        passUntil([this] { return current() != "CheckVersion"; }, 20.0);
        return launcherLines(testing::internal::GetCapturedStdout());
    }

    // The captured text without the sample game's own line: the game shares the test's standard
    // output and may print into the capture whenever it gets to run.
    static std::string launcherLines(const std::string &captured) {
        std::istringstream lines(captured);
        std::string kept;
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("samplegame started with: ", 0) != 0)
                kept += line + "\n";
        return kept;
    }

    std::string expectedParameters(const std::string &extra = "") const {
        return "     -uac -u " + PlayerName + " -p " + PlayerDigest + extra;
    }

    static inline const std::string Installed6 = "<manifest version=\"6\"/>";
    std::vector<std::string> prompts;
};

TEST_F(WaitForUpdateStateTest, ADeclinedPromptGoesStraightOnToTheGameWithoutAnUpdate) {
    answerPrompts(ElevationAnswer::Decline);
    start();
    EXPECT_EQ(runUntilRelaunched(), "Error: ShellExecuteEx failed 0x4c7\n");
    EXPECT_EQ(prompts, std::vector<std::string>{expectedParameters()});
    EXPECT_EQ(now, 7.25) << "after the manifest message stayed its 3 s";
    EXPECT_TRUE(Headless::isVisible(window));
    EXPECT_EQ(visibleTexts(), std::vector<std::string>{StartMessage});
    EXPECT_EQ(gameRecord(), PlayerCommandLine);
    EXPECT_EQ(folder.read("manifest.xml"), Installed6);
}

TEST_F(WaitForUpdateStateTest, TheElevatedCopyUpdatesItselfInsteadOfRelaunchingAgain) {
    answerPrompts(ElevationAnswer::Decline);
    start();
    app->setCredentials(PlayerName, PlayerDigest);
    app->setElevatedInstance(true);
    app->changeState("CheckVersion");
    passUntil([this] { return current() != "CheckVersion"; }, 20.0);
    EXPECT_EQ(current(), "ManifestUpdate");
    EXPECT_TRUE(prompts.empty());
}

// A full check relaunches even over a current manifest, and passes the switch on.
TEST_F(WaitForUpdateStateTest, AFullCheckWithoutTheLauncherProgramHereFailsToRelaunch) {
    folder.write("manifest.xml", "<manifest version=\"7\"/>");
    answerPrompts(ElevationAnswer::Accept);
    start({}, "-full");
    EXPECT_EQ(runUntilRelaunched(), "Error: ShellExecuteEx failed 0x2\n");
    EXPECT_EQ(prompts, std::vector<std::string>{expectedParameters(" -f")});
    EXPECT_EQ(gameRecord(), PlayerCommandLine);
}

TEST_F(WaitForUpdateStateTest, AnAcceptedPromptsCopyUpdatesWhileThisOneWaitsHidden) {
    Testing::ReleaseWriter release("7");
    release.addGroup("game", "7", "game.zip").add("data/level.txt", "level 7", "7");
    release.writeTo(root + "release/", "manifest-7.xml");
    Testing::ReleaseWriter installed("6");
    installed.addGroup("game", "6", "game.zip").add("data/level.txt", "level 6", "6");
    folder.write("manifest.xml", installed.manifest());
    fs::create_directories(folder / "data");
    folder.write("data/level.txt", "level 6");

    // The copy: the headless launcher beside the installation, quick to check, with a game of
    // its own that it must not start.
    fs::copy_file(BRIGHTWELL_LAUNCHER_PROGRAM, folder / "brightwell");
    fs::create_directories(folder / "gameStates");
    fs::create_directories(folder / "copy");
    fs::copy_file(BRIGHTWELL_SAMPLE_GAME, folder / "copy/samplegame.exe");
    folder.write("gameStates/launcher.xml", configuration({{"messageDisplayTime", "0.05"},
                                                           {"localVerLingerTime", "0"},
                                                           {"gameExe", "copy/samplegame.exe"}}));
    const Testing::ScopedVariable documents("XDG_DOCUMENTS_DIR", folder / "documents");
    const Testing::ScopedVariable temp("TMPDIR", folder / "temp");

    answerPrompts(ElevationAnswer::Accept);
    start();
    EXPECT_EQ(runUntilRelaunched(), "");
    ASSERT_EQ(current(), "WaitAdminUpdate");
    ASSERT_NE(app->getElevatedProcess(), nullptr);
    EXPECT_FALSE(Headless::isVisible(window)) << "hidden while the copy runs";
    {
        const Watchdog watchdog(app->getElevatedProcess()->processId());
        pass();
    }
    EXPECT_TRUE(Headless::isVisible(window)) << "shown again for the game's start";
    EXPECT_EQ(folder.read("data/level.txt"), "level 7");
    EXPECT_EQ(folder.read("manifest.xml") + "\n", release.manifest())
        << "the copy committed what it downloaded";
    EXPECT_EQ(gameRecord(), PlayerCommandLine);
    EXPECT_EQ(gameRecord("copy/", 0.5), "<not started>") << "the copy only updates";
    const std::string copyLog = folder.read("documents/Brightwell/configuration/launcher.log");
    EXPECT_NE(copyLog.find("Connection: Authenticate " + PlayerName), std::string::npos) << copyLog;
}

} // namespace
