// A manifest out of date for a player without administrator rights, end to end: the elevated
// relaunch's parameters, a declined prompt and a missing launcher program (straight on to the
// game), a copy that fails (reported, then the game), an elevated copy that never relaunches
// itself, and an accepted prompt whose copy (the real headless launcher) updates the
// installation while this one waits with its window hidden, then starts the game.
#include "states/WaitForUpdateState.h"

#include "platform/Elevation.h"
#include "platform/headless/HeadlessWindows.h"
#include "tests/support/ReleaseWriter.h"
#include "tests/support/headless/LaunchTest.h"
#include "tests/support/posix/ScopedVariable.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace Headless = Kestrel::Platform::Headless;
namespace fs = std::filesystem;
using Kestrel::Platform::ElevationAnswer;

namespace {

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

    // Makes the folder's launcher program, which an accepted prompt starts, a script of command.
    void installCopy(const std::string &command) const {
        folder.write("brightwell", "#!/bin/sh\n" + command + "\n");
        fs::permissions(folder / "brightwell", fs::perms::owner_all);
    }

    // Logs in and runs the version check until it has been left; what was printed meanwhile
    // (the sample game, started on a failed relaunch, may print there too).
    std::string runUntilRelaunched() {
        fillLogin("password", false);
        Headless::click(loginButton());
        testing::internal::CaptureStdout();
        passUntil([this] { return current() != "CheckVersion"; }, 20.0);
        return testing::internal::GetCapturedStdout();
    }

    std::string expectedParameters(const std::string &extra = "") const {
        return "     -uac -u " + PlayerName + " -p " + PlayerDigest + extra;
    }

    static inline const std::string Installed6 = "<manifest version=\"6\"/>";
    static constexpr auto NotFound = std::string::npos;
    std::vector<std::string> prompts;
};

TEST_F(WaitForUpdateStateTest, ADeclinedPromptGoesStraightOnToTheGameWithoutAnUpdate) {
    answerPrompts(ElevationAnswer::Decline);
    start();
    EXPECT_NE(runUntilRelaunched().find("Error: ShellExecuteEx failed 0x4c7\n"), NotFound);
    EXPECT_EQ(prompts, std::vector<std::string>{expectedParameters()});
    EXPECT_TRUE(Headless::isVisible(window));
    EXPECT_EQ(visibleTexts(), std::vector<std::string>{StartMessage});
    EXPECT_EQ(gameRecord(), PlayerCommandLine);
    EXPECT_EQ(folder.read("manifest.xml"), Installed6);
}

TEST_F(WaitForUpdateStateTest, ACopyThatFailsIsReportedAndTheGameStartsWithoutAnUpdate) {
    installCopy("exit 2");
    answerPrompts(ElevationAnswer::Accept);
    start();
    runUntilRelaunched();
    ASSERT_EQ(current(), "WaitAdminUpdate");
    pass();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, Kestrel::WaitForUpdateState::NotUpdatedText);
    EXPECT_EQ(current(), "StartGame");
    EXPECT_EQ(gameRecord(), PlayerCommandLine);
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
    EXPECT_NE(runUntilRelaunched().find("Error: ShellExecuteEx failed 0x2\n"), NotFound);
    EXPECT_EQ(prompts, std::vector<std::string>{expectedParameters(" -f")});
    EXPECT_EQ(gameRecord(), PlayerCommandLine);
}

TEST_F(WaitForUpdateStateTest, AnAcceptedPromptsCopyUpdatesWhileThisOneWaitsHidden) {
    Testing::ReleaseWriter release("7");
    release.addGroup("game", "7", "game.zip").add("data/level.txt", "level 7", "7");
    publish(release);
    Testing::ReleaseWriter previous("6");
    previous.addGroup("game", "6", "game.zip").add("data/level.txt", "level 6", "6");
    place("manifest.xml", previous.manifest());
    place("data/level.txt", "level 6");

    // The copy: the headless launcher beside the installation, quick to check, with a game of
    // its own that it must not start, stopped if it is still running after a minute.
    fs::copy_file(BRIGHTWELL_LAUNCHER_PROGRAM, folder / "launcher");
    fs::create_directories(folder / "copy");
    fs::copy_file(BRIGHTWELL_SAMPLE_GAME, folder / "copy/samplegame.exe");
    Testing::Settings copySettings = Testing::QuickPauses;
    copySettings.emplace_back("gameExe", "copy/samplegame.exe");
    place("gameStates/launcher.xml", configuration(copySettings));
    installCopy("exec timeout 60 \"$(dirname \"$0\")/launcher\" \"$@\"");
    const Testing::ScopedVariable documents("XDG_DOCUMENTS_DIR", folder / "documents");
    const Testing::ScopedVariable temp("TMPDIR", folder / "temp");

    answerPrompts(ElevationAnswer::Accept);
    start();
    EXPECT_EQ(runUntilRelaunched().find("Error"), NotFound);
    ASSERT_EQ(current(), "WaitAdminUpdate");
    ASSERT_NE(app->getElevatedProcess(), nullptr);
    EXPECT_FALSE(Headless::isVisible(window)) << "hidden while the copy runs";
    pass();
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
