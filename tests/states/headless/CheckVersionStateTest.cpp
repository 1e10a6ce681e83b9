// The version check end to end against the reference server, on the test's clock: the paced
// steps and the dots, the versions it reports, a failing server, a launcher out of date (the
// address opened, no update) and a manifest out of date for an administrator.
#include "states/CheckVersionState.h"

#include "platform/headless/HeadlessWindows.h"
#include "tests/support/headless/LaunchTest.h"
#include "tests/support/posix/ScopedVariable.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>
#include <tuple>

namespace Headless = Kestrel::Platform::Headless;
namespace fs = std::filesystem;

namespace {

class CheckVersionStateTest : public Testing::LaunchTest {
protected:
    // Starts the launcher and logs the player in; the check starts with the next pass. The
    // check takes its steps at the built-in one-second pace, and a failure message stays 3 s
    // unless settings say otherwise.
    void logIn(const Settings &settings = {}, const std::string &commandLine = "") {
        Settings all = {{"-messageDisplayTime", ""}, {"localVerLingerTime", "3.0"}};
        all.insert(all.end(), settings.begin(), settings.end());
        start(all, commandLine);
        fillLogin("password", false);
        ASSERT_TRUE(Headless::click(loginButton()));
        ASSERT_EQ(current(), "CheckVersion");
        // The check's own journal: the login's request sampled the Login screen meanwhile.
        shown.clear();
    }

    // Makes the server hold launcher and manifest as the current versions instead of its
    // default "l20101210" and "7".
    void serveVersions(const std::string &launcher, const std::string &manifest) const {
        std::string text = installed(root + "ksserver.config.php");
        text = std::regex_replace(text, std::regex("'l20101210'"), "'" + launcher + "'");
        writeConfigurationText(std::regex_replace(text, std::regex("'version' => '7'"),
                                                  "'version' => '" + manifest + "'"));
    }

    // Logs in and passes until the check is left or the launcher quits (at most 20 s).
    void runCheck(const Settings &settings = {}, const std::string &commandLine = "") {
        ASSERT_NO_FATAL_FAILURE(logIn(settings, commandLine));
        passUntil([this] { return current() != "CheckVersion" || app->isQuitRequested(); }, 20.0);
    }
};

TEST_F(CheckVersionStateTest, EverythingCurrentStartsTheGameInTheFifthInterval) {
    runCheck();
    EXPECT_EQ(now, 5.25) << "steps at 1.25, 2.25, 3.25, 4.25 and 5.25 s: nothing in the first";
    EXPECT_EQ(shown, (std::vector<std::string>{StatusBase, StatusBase + " .", StatusBase + " . .",
                                               StatusBase + " . . .", StartMessage}));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(gameRecord(), PlayerCommandLine);
}

TEST_F(CheckVersionStateTest, AFailingServerIsAskedAgainOncePerIntervalWhileTheDotsGoRound) {
    configure({}, "ver2", "KO,2");
    logIn();
    passFor(6.0);
    EXPECT_EQ(current(), "CheckVersion");
    // One request per interval from 2.25 s on: at 2.25, 3.25, 4.25 and 5.25 s.
    ASSERT_EQ(boxes.size(), 4u);
    for (const Testing::ShownBox &box : boxes)
        EXPECT_EQ(box.text, "An Error Occured.\nInvalid CheckVersion response \nKO,2");
    EXPECT_EQ(visibleTexts(), std::vector<std::string>{StatusBase + " ."})
        << "after three dots the text starts again";

    configure({});
    passFor(2.0);
    EXPECT_EQ(current(), "CheckVersion") << "the verdicts take their own intervals";
    passFor(2.0);
    EXPECT_EQ(current(), "StartGame");
    EXPECT_EQ(boxes.size(), 4u);
}

// The manifest version reported for a local manifest (null: none) and the switches: the server
// holds exactly the expected text as current, so the check goes straight on to the game only when
// that text was sent.
class ReportedVersionTest
    : public CheckVersionStateTest,
      public ::testing::WithParamInterface<std::tuple<const char *, const char *, const char *>> {};

TEST_P(ReportedVersionTest, TheServerHearsTheExpectedManifestVersion) {
    const auto [commandLine, localManifest, sent] = GetParam();
    if (localManifest)
        folder.write("manifest.xml", localManifest);
    else
        fs::remove(folder / "manifest.xml");
    serveVersions(Kestrel::CheckVersionState::LauncherVersion, sent);
    runCheck({}, commandLine);
    EXPECT_EQ(current(), "StartGame") << "reported something else than " << sent;
}

// A current "7" reported as "7" is the fixture's default, run above.
INSTANTIATE_TEST_SUITE_P(
    Rows, ReportedVersionTest,
    ::testing::Values(std::make_tuple("-full", "<manifest version=\"7\"/>", "rX"),
                      std::make_tuple("", nullptr, "rX"), std::make_tuple("", "<manifest/>", ""),
                      std::make_tuple("", "<release version=\"7\"/>", "")));

TEST_F(CheckVersionStateTest, AnOutOfDateLauncherOpensTheNewOnesPageAndQuitsWithoutUpdating) {
    // The shell's "open" reaches xdg-open; a stand-in records the address, whole at once (and
    // quietly once the test's folder is gone).
    place("bin/xdg-open", "#!/bin/sh\n{ printf '%s' \"$1\" > \"$0.$$\" && mv \"$0.$$\" "
                          "\"$0.address\"; } 2>/dev/null\n");
    fs::permissions(folder / "bin/xdg-open", fs::perms::owner_all);
    const Testing::ScopedVariable path("PATH", folder / "bin:" + std::getenv("PATH"));
    serveVersions("l20991231", "7");
    runCheck();
    EXPECT_TRUE(app->isQuitRequested());
    EXPECT_EQ(now, 6.25) << "the message came at 3.25 s and stayed the configured 3 s";
    EXPECT_EQ(shown.back(), LauncherMessage);
    EXPECT_EQ(current(), "CheckVersion") << "no update, no game";
    for (int wait = 0; wait < 500 && !fs::exists(folder / "bin/xdg-open.address"); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(folder.read("bin/xdg-open.address"), "https://www.example.com/new-launcher");
    EXPECT_EQ(gameRecord("", 0.5), "<not started>");

    runCheck({{"-localVerLingerTime", ""}});
    EXPECT_TRUE(app->isQuitRequested());
    EXPECT_EQ(now, 4.25) << "without a configured linger the message stays one interval";
}

TEST_F(CheckVersionStateTest, AnAddressThatIsNoWebPageIsNeverOpened) {
    place("bin/xdg-open", "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.address\"\n");
    fs::permissions(folder / "bin/xdg-open", fs::perms::owner_all);
    const Testing::ScopedVariable path("PATH", folder / "bin:" + std::getenv("PATH"));
    for (const std::string address :
         {"/usr/bin/xterm", "C:\\Windows\\System32\\calc.exe", "file:///etc/passwd",
          "\\\\server\\share\\setup.exe", "http:\\\\server\\share", "https://x\n/bin/sh"}) {
        SCOPED_TRACE(address);
        serveVersions("l20991231", "7");
        // PHP's single quotes keep every character but a backslash, which is doubled.
        const std::string php = std::regex_replace(address, std::regex("\\\\"), "\\\\$&");
        writeConfigurationText(std::regex_replace(installed(root + "ksserver.config.php"),
                                                  std::regex("https://www.example.com/new-launcher"),
                                                  php));
        runCheck({{"localVerLingerTime", "0"}});
        EXPECT_TRUE(app->isQuitRequested());
        EXPECT_EQ(gameRecord("", 0.1), "<not started>");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(fs::exists(folder / "bin/xdg-open.address")) << folder.read("bin/xdg-open.address");
}

TEST_F(CheckVersionStateTest, AnAdministratorsOutOfDateManifestGoesOnToTheUpdate) {
    serveVersions(Kestrel::CheckVersionState::LauncherVersion, "8");
    Kestrel::overrideUserAdmin(true);
    runCheck();
    EXPECT_EQ(current(), "ManifestUpdate");
    EXPECT_EQ(now, 7.25) << "the message came at 4.25 s and stayed the configured 3 s";
    EXPECT_TRUE(saw(ManifestMessage));
    EXPECT_EQ(Kestrel::manifestStatus.value2, "manifest-7.xml")
        << "the name the manifest download asks for";
    EXPECT_FALSE(Kestrel::manifestStatus.ok);
}

} // namespace
