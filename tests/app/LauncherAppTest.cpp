// The state machine (switching and tick pacing), the credentials and the manifest hand-over.
#include "app/LauncherApp.h"

#include "app/LauncherState.h"
#include "tests/support/LauncherHarness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

using Journal = std::vector<std::string>;

namespace {

// A state that records every call it receives, in order, in a shared journal.
class JournalState : public Kestrel::LauncherState {
public:
    JournalState(const std::string &name, Journal &journal)
        : LauncherState(name), journal(journal) {}
    void enter() override {
        journal.push_back("enter " + getName());
        currentAtEnter = getApp()->getCurrentState()->getName();
    }
    void leave() override { journal.push_back("leave " + getName()); }
    void update(float time, float elapsed) override { updates.emplace_back(time, elapsed); }

    // What enter saw as the current state's name.
    std::string currentAtEnter;
    // The (time, elapsed) pairs of every update.
    std::vector<std::pair<float, float>> updates;

private:
    Journal &journal;
};

class StateMachineTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char *name : {"First", "Second", "Third"}) {
            auto state = std::make_unique<JournalState>(name, journal);
            states.push_back(state.get());
            app.registerState(std::move(state));
        }
    }

    // Ticks at each time in turn; how often the first state has been updated since the start.
    std::size_t updatesAfter(std::initializer_list<double> times) {
        for (const double time : times)
            app.tick(time);
        return states[0]->updates.size();
    }

    Kestrel::LauncherApp app;
    Journal journal;
    std::vector<JournalState *> states;
};

TEST_F(StateMachineTest, ChangingLeavesTheOldStateBeforeEnteringTheNewOne) {
    app.changeState("Third");
    app.changeState("Third");
    app.changeState("Fourth");
    EXPECT_EQ(journal, (Journal{"leave First", "enter Third"}))
        << "the current state's own name and an unknown one change nothing";
    EXPECT_EQ(states[2]->currentAtEnter, "Third") << "the new state is current during enter";
    EXPECT_EQ(app.getCurrentStateIndex(), 2u);
}

TEST_F(StateMachineTest, TicksUpdateOnlyAfterMoreThanTenMillisecondsHaveGathered) {
    EXPECT_EQ(updatesAfter({0.01}), 0u) << "exactly 10 ms is not more";
    ASSERT_EQ(updatesAfter({1.0}), 1u);
    EXPECT_FLOAT_EQ(states[0]->updates[0].second, 1.0f);
    EXPECT_EQ(updatesAfter({1.005, 1.0099}), 1u) << "5 ms and just under 10 ms after the update";
    ASSERT_EQ(updatesAfter({1.016}), 2u);
    EXPECT_FLOAT_EQ(states[0]->updates[1].first, 1.016f);
    EXPECT_NEAR(states[0]->updates[1].second, 0.016f, 1e-6f) << "elapsed since the last update";
}

TEST_F(StateMachineTest, EarlierOrUndefinedTimesDoNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ASSERT_EQ(updatesAfter({5.0, 4.0, nan, -std::numeric_limits<double>::infinity()}), 1u);
    ASSERT_EQ(updatesAfter({5.02}), 2u) << "the last update time was kept";
    EXPECT_NEAR(states[0]->updates[1].second, 0.02f, 1e-5f);
}

// ---- Credentials and manifests over real files ----

using LauncherFilesTest = Testing::LauncherFixture;

TEST_F(LauncherFilesTest, SavedCredentialsReadBackAtTheNextStart) {
    const std::string configuration =
        "<credentialFile>configuration:remembered/credentials.xml</credentialFile>"
        "<URL>http://127.0.0.1:9</URL>";
    ASSERT_TRUE(load(configuration));
    app->setCredentials("player one", "5f4dcc3b5aa765d61d8327deb882cf99");
    app->saveCredentials();
    const std::string saved =
        folder.read("documents/Brightwell/configuration/remembered/credentials.xml");
    EXPECT_NE(saved.find("<userID>player one</userID>"), std::string::npos) << saved;
    EXPECT_LT(saved.find("<userID>"), saved.find("<password>5f4dcc3b")) << saved;

    app = std::make_unique<Kestrel::LauncherApp>();
    ASSERT_TRUE(load(configuration));
    std::string user, password;
    app->getCredentials(user, password);
    EXPECT_EQ(user + "/" + password, "player one/5f4dcc3b5aa765d61d8327deb882cf99");
}

TEST_F(LauncherFilesTest, OnlyAManifestDownloadedInThisRunIsCommitted) {
    std::filesystem::create_directories(folder / "game");
    folder.write("game/manifest.xml", "<manifest version=\"1\"/>");
    ASSERT_TRUE(
        load("<URL>http://127.0.0.1:9</URL><manifestFile>game/manifest.xml</manifestFile>"));
    EXPECT_FALSE(app->commitManifest());
    EXPECT_EQ(folder.read("game/manifest.xml"), "<manifest version=\"1\"/>");

    // A copy in the staging folder that an earlier run left behind.
    std::filesystem::create_directories(folder / ".brightwell");
    folder.write(".brightwell/server-manifest.xml", "<manifest version=\"2\"/>");
    EXPECT_FALSE(app->commitManifest());
    EXPECT_EQ(folder.read("game/manifest.xml"), "<manifest version=\"1\"/>");
}

} // namespace
