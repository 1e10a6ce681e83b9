// Launcher::run in this process over the in-memory window layer, with the shipped configuration
// (short pauses) written beside the test program, where run reads it: the window the player sees,
// closing it, and a failure that keeps repeating in an unattended run.
#include "app/Launcher.h"

#include "platform/SystemHelpers.h"
#include "platform/headless/HeadlessWindows.h"
#include "tests/support/LauncherHarness.h"
#include "tests/support/headless/LauncherCopy.h"
#include "tests/support/posix/ScopedVariable.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <stdexcept>

namespace Headless = Kestrel::Platform::Headless;

namespace {

class LauncherRunTest : public Testing::LauncherFixture {
protected:
    void SetUp() override {
        Headless::resetMainWindowClass();
        std::ofstream(Cobalt::executableFolder() + "/gameStates/launcher.xml", std::ios::binary)
            << Testing::quickConfiguration();
    }

    // Runs the launcher with commandLine; a run still going after 10 s is ended and noted, so
    // that a launcher that would run for ever fails the test instead of hanging it.
    int run(const std::string &commandLine, unsigned repeatedErrorLimit = 0) {
        Kestrel::Launcher::Options options;
        options.repeatedErrorLimit = repeatedErrorLimit;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        options.stopRequested = [this, deadline] {
            timedOut = std::chrono::steady_clock::now() > deadline;
            return timedOut;
        };
        return Kestrel::Launcher::run(commandLine, options);
    }

    const Testing::ScopedVariable documents{"XDG_DOCUMENTS_DIR", folder.path()};
    bool timedOut = false;
};

TEST_F(LauncherRunTest, ThePlayerSeesTheCentredLoginScreenAndClosingItEndsTheLauncher) {
    Kestrel::Platform::WindowRect seen;
    bool visible = false;
    Headless::post([&] {
        const Kestrel::Platform::WindowHandle window =
            Headless::findWindow(L"BrightwellLauncher", "Brightwell Launcher");
        ASSERT_NE(window, nullptr);
        seen = window->rect;
        visible = Headless::isVisible(window);
        Headless::close(window);
    });
    EXPECT_EQ(run("-n"), Kestrel::Launcher::Finished);
    EXPECT_FALSE(timedOut);
    EXPECT_TRUE(visible);
    // Centred on the 1024 x 768 desktop by the fixed half size of 200.
    EXPECT_EQ(std::make_tuple(seen.left, seen.top, seen.right, seen.bottom),
              std::make_tuple(312, 184, 712, 584));
    EXPECT_TRUE(boxes.empty());
    EXPECT_NE(folder.read("Brightwell/configuration/launcher.log").find("Destroying game"),
              std::string::npos);
}

TEST_F(LauncherRunTest, AnUnattendedRunGivesUpWhenTheSameErrorRepeatsFiveTimes) {
    for (int pass = 0; pass < 6; ++pass)
        Headless::post([] { throw std::runtime_error("the same failure"); });
    EXPECT_EQ(run("", 5), Kestrel::Launcher::GaveUp);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(boxes.size(), 5u);
    ASSERT_EQ(Headless::pendingInputs(), 1u) << "the run ended at the fifth";
    EXPECT_THROW(Kestrel::Platform::pumpOneMessage(nullptr), std::runtime_error);
}

// None of them reaches the main loop; the elevated copy whose start-up login fails (nothing
// answers at the shipped address) has no player to log in at the Login screen.
TEST_F(LauncherRunTest, FailedStartUpsEndWithTheirCodeAndSayWhy) {
    ASSERT_TRUE(Kestrel::Platform::registerMainWindowClass({}));
    EXPECT_EQ(run(""), Kestrel::Launcher::StartupFailed);
    Headless::resetMainWindowClass();
    Headless::setMainWindowCreationFails(true);
    EXPECT_EQ(run(""), Kestrel::Launcher::StartupFailed);
    Headless::setMainWindowCreationFails(false);
    Headless::resetMainWindowClass();
    EXPECT_EQ(run("-uac -u player -p wrong"), Kestrel::Launcher::StartupLoginFailed);
    EXPECT_FALSE(timedOut);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, "Failed to register window class!");
    EXPECT_EQ(boxes[1].text, "Failed to create window!");
    EXPECT_EQ(boxes[2].text.rfind("Login failed.\n", 0), 0u) << boxes[2].text;
}

} // namespace
