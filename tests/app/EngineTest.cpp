// The engine object: one current engine, its file server, and the lines it leaves in the log.
#include "app/Engine.h"
#include "app/Log.h"
#include "io/FileServer.h"
#include "io/Win32FileSystem.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { Cobalt::shutdownEngine(); }

    void TearDown() override {
        Cobalt::shutdownEngine();
        Cobalt::Log::instance().closeOutputs();
    }

    // The log owns (and destroys) its outputs, so the text lives in a buffer of the test's own.
    void captureLog() {
        Cobalt::Log::instance().addOutput(std::make_unique<std::ostream>(&captured),
                                          Cobalt::Log::Information);
    }

    std::string logText() const { return captured.str(); }

    std::stringbuf captured;
};

TEST_F(EngineTest, StartEngineMakesANewEngineCurrent) {
    EXPECT_EQ(Cobalt::Engine::instance(), nullptr);
    Cobalt::Engine *engine = Cobalt::startEngine();
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(Cobalt::Engine::instance(), engine);
    EXPECT_EQ(engine->getLog(), &Cobalt::Log::instance());
    ASSERT_NE(engine->getFileServer(), nullptr);
    ASSERT_NE(engine->getFileServer()->getRootFileSystem(), nullptr);
    EXPECT_EQ(engine->getFileServer()->getRootFileSystem()->getName(), "root");
}

TEST_F(EngineTest, StartEngineReplacesTheCurrentEngine) {
    Cobalt::Engine *first = Cobalt::startEngine();
    first->getFileServer()->setAlias("marker", "/first");
    captureLog();

    Cobalt::Engine *second = Cobalt::startEngine();
    EXPECT_NE(second, first);
    EXPECT_EQ(Cobalt::Engine::instance(), second);
    EXPECT_EQ(second->getFileServer()->resolve("marker:x"), "marker:x");
    EXPECT_EQ(logText().rfind("Destroying game\nTime: ", 0), 0u) << logText();
}

TEST_F(EngineTest, ShutdownLogsAndClosesTheOutputs) {
    Cobalt::startEngine();
    captureLog();
    Cobalt::shutdownEngine();
    EXPECT_EQ(Cobalt::Engine::instance(), nullptr);

    const std::string text = logText();
    EXPECT_EQ(text.rfind("Destroying game\nTime: ", 0), 0u) << text;
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n");

    Cobalt::Log::instance().message("after the engine");
    EXPECT_EQ(logText(), text) << "the closed output must not receive more lines";
}

TEST_F(EngineTest, ShutdownWithoutAnEngineDoesNothing) {
    captureLog();
    Cobalt::shutdownEngine();
    EXPECT_EQ(Cobalt::Engine::instance(), nullptr);
    EXPECT_EQ(logText(), "");
}

} // namespace
