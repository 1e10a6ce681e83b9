// Launcher::run in this process over the in-memory window layer, with the shipped configuration
// the build puts beside the test programs: the window the player sees, closing it, and a failure
// that keeps repeating in an unattended run.
#include "app/Launcher.h"

#include "platform/MessageBox.h"
#include "platform/headless/HeadlessWindows.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace Headless = Kestrel::Platform::Headless;

namespace {

class LauncherRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char *documents = std::getenv("XDG_DOCUMENTS_DIR");
        previousDocuments = documents ? documents : "";
        setenv("XDG_DOCUMENTS_DIR", folder.path().c_str(), 1);
        Headless::resetMainWindowClass();
        previousAnswerer = Kestrel::Platform::setMessageBoxAnswerer(
            [this](const std::string &text, const std::string &,
                   Kestrel::Platform::MessageBoxKind) {
                boxes.push_back(text);
                return Kestrel::Platform::MessageBoxAnswer::Ok;
            });
    }
    void TearDown() override {
        Kestrel::Platform::setMessageBoxAnswerer(previousAnswerer);
        if (previousDocuments.empty())
            unsetenv("XDG_DOCUMENTS_DIR");
        else
            setenv("XDG_DOCUMENTS_DIR", previousDocuments.c_str(), 1);
    }

    // Options whose stop check ends a run that is still going after 10 s, and notes it, so that
    // a launcher that would run for ever fails the test instead of hanging it.
    Kestrel::Launcher::Options watched() {
        Kestrel::Launcher::Options options;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        options.stopRequested = [this, deadline] {
            timedOut = std::chrono::steady_clock::now() > deadline;
            return timedOut;
        };
        return options;
    }

    static Kestrel::Platform::WindowHandle mainWindow() {
        return Headless::findWindow(L"BrightwellLauncher", "Brightwell Launcher");
    }

    Testing::TempFolder folder;
    bool timedOut = false;
    std::vector<std::string> boxes;
    std::string previousDocuments;
    Kestrel::Platform::MessageBoxAnswerer previousAnswerer;
};

TEST_F(LauncherRunTest, ThePlayerSeesTheCentredLoginScreenAndClosingItEndsTheLauncher) {
    Kestrel::Platform::WindowRect seen;
    bool visible = false;
    Headless::post([&] {
        const Kestrel::Platform::WindowHandle window = mainWindow();
        ASSERT_NE(window, nullptr);
        seen = window->rect;
        visible = Headless::isVisible(window);
        Headless::close(window);
    });
    EXPECT_EQ(Kestrel::Launcher::run("-n", watched()), Kestrel::Launcher::Finished);
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
    Kestrel::Launcher::Options options = watched();
    options.repeatedErrorLimit = 5;
    EXPECT_EQ(Kestrel::Launcher::run("", options), Kestrel::Launcher::GaveUp);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(boxes.size(), 5u);
    ASSERT_EQ(Headless::pendingInputs(), 1u) << "the run ended at the fifth";
    EXPECT_THROW(Kestrel::Platform::pumpOneMessage(nullptr), std::runtime_error);
}

} // namespace
