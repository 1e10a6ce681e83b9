// Starting the game end to end: the sample game's record of its command line, the message, the
// linger on the test's clock, and the elevated copy that starts nothing.
#include "states/StartGameState.h"

#include "platform/headless/HeadlessWindows.h"
#include "tests/support/headless/LaunchTest.h"

#include <gtest/gtest.h>

namespace Headless = Kestrel::Platform::Headless;

namespace {

class StartGameStateTest : public Testing::LaunchTest {};

TEST_F(StartGameStateTest, TheGameGetsTheCredentialsAndTheLauncherEndsOnceTheLingerRanOut) {
    start({{"-lingerTime", ""}}, "-c \"-window -fast\"");
    app->setCredentials(PlayerName, PlayerDigest);
    app->changeState("StartGame");
    EXPECT_EQ(visibleTexts(), std::vector<std::string>{StartMessage});
    EXPECT_EQ(gameRecord(), PlayerCommandLine + "&-window -fast");

    // The built-in 5 s of linger: exactly nothing left after 20 quarter seconds is not yet below
    // zero.
    passFor(5.0);
    EXPECT_FALSE(app->isQuitRequested());
    pass();
    EXPECT_TRUE(app->isQuitRequested());
}

TEST_F(StartGameStateTest, AConfiguredLingerIsCountedDownInsteadOfTheDefault) {
    start({{"lingerTime", "0.5"}});
    app->changeState("StartGame");
    pass();
    pass();
    EXPECT_FALSE(app->isQuitRequested());
    pass();
    EXPECT_TRUE(app->isQuitRequested());
}

TEST_F(StartGameStateTest, TheElevatedCopyStartsNothingAndEndsAtOnce) {
    start();
    app->setCredentials(PlayerName, PlayerDigest);
    app->setElevatedInstance(true);
    app->changeState("StartGame");
    EXPECT_TRUE(app->isQuitRequested());
    EXPECT_EQ(gameRecord("", 1.0), "<not started>");
}

} // namespace
