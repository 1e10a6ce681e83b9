// The main loop: errors of a pass are shown and the loop goes on; the unattended limits; the
// progress callback lets errors through to the transfer.
#include "app/MainLoop.h"

#include "app/LauncherApp.h"
#include "app/LauncherState.h"
#include "io/Exception.h"
#include "tests/support/LauncherHarness.h"

#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>

namespace {

// Throws the scripted texts one per update ("" for a quiet update), then asks to quit.
class ScriptedState : public Kestrel::LauncherState {
public:
    explicit ScriptedState(std::deque<std::string> script)
        : LauncherState("Scripted"), script(std::move(script)) {}
    void update(float, float) override {
        ++updates;
        if (script.empty()) {
            getApp()->requestQuit();
            return;
        }
        const std::string text = script.front();
        script.pop_front();
        if (text == "engine")
            throw Cobalt::Exception("engine failure");
        if (!text.empty())
            throw std::runtime_error(text);
    }
    int updates = 0;

private:
    std::deque<std::string> script;
};

class MainLoopTest : public Testing::LauncherFixture {
protected:
    ScriptedState &script(std::deque<std::string> steps) {
        auto state = std::make_unique<ScriptedState>(std::move(steps));
        ScriptedState &result = *state;
        app->registerState(std::move(state));
        return result;
    }
    // The texts of the boxes shown, each checked for the launcher's error box.
    std::vector<std::string> boxTexts() const {
        std::vector<std::string> texts;
        for (const Testing::ShownBox &box : boxes) {
            EXPECT_EQ(box.caption, "Brightwell Launcher");
            EXPECT_EQ(box.kind, Kestrel::Platform::MessageBoxKind::OkExclamation);
            texts.push_back(box.text);
        }
        return texts;
    }

    // Every reading is step after the one before: by default 20 ms, so that every pass updates.
    double now = 0.0;
    double step = 0.02;
    Kestrel::MainLoop loop{*app, nullptr, [this] { return now += step; }};
};

TEST_F(MainLoopTest, ErrorsAreShownAndTheStateRetriesOnLaterPasses) {
    ScriptedState &state = script({"inside a transfer", "first", "", "engine", "first"});
    EXPECT_THROW(loop.pumpOnce(), std::runtime_error) << "the transfer's callback catches nothing";
    loop.run();
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"An Error Occured.\nfirst",
                                                    "An Error Occured.\nengine failure",
                                                    "An Error Occured.\nfirst"}));
    EXPECT_EQ(state.updates, 6);
    EXPECT_FALSE(loop.gaveUp()) << "no limit by default";
}

TEST_F(MainLoopTest, TheLoopEndsWhenTheSameErrorIsShownAsOftenAsTheLimitInARow) {
    ScriptedState &state = script({"a", "a", "b", "b", "", "b", "b", "b", "b"});
    loop.setRepeatedErrorLimit(3);
    loop.run();
    EXPECT_TRUE(loop.gaveUp());
    EXPECT_EQ(boxTexts().size(), 5u) << "a, a, b, b, a quiet pass, and the third b in a row";
    EXPECT_EQ(state.updates, 6);
    EXPECT_FALSE(app->isQuitRequested());
}

TEST_F(MainLoopTest, AStopRequestEndsTheLoopAsAQuitDoes) {
    script({"", "", "", "", "", "", "", "", "", ""});
    int asked = 0;
    loop.setStopCheck([&asked] { return ++asked == 3; });
    loop.run();
    EXPECT_EQ(asked, 3);
    EXPECT_TRUE(app->isQuitRequested());
}

// A clock that has run for 120 days, where a 32-bit float steps by whole seconds, read 1024
// times a second (a power of two: the sums stay exact): an update takes 11 readings to gather
// more than 10 ms, so half a second holds the first update and one per 11 readings after it.
TEST_F(MainLoopTest, UpdatesKeepTheirPaceAfterMonthsOfUptime) {
    ScriptedState &state = script(std::deque<std::string>(2000, ""));
    now = 120.0 * 24 * 3600;
    step = 1.0 / 1024;
    for (int pass = 0; pass < 512; ++pass)
        loop.runPass();
    EXPECT_EQ(state.updates, 1 + 511 / 11);
}

} // namespace
