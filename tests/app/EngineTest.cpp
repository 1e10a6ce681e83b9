// The engine object: one current engine, its file server, and the lines it leaves in the log.
#include "app/Engine.h"
#include "app/Log.h"
#include "io/FileServer.h"
#include "io/Win32FileSystem.h"

#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

TEST(EngineTest, StartReplacesTheCurrentEngineAndShutdownLogsOnlyWhenOneIsCurrent) {
    Cobalt::shutdownEngine();
    {
        const Testing::LogCapture log;
        Cobalt::shutdownEngine();
        EXPECT_EQ(log.text(), "") << "no engine is current";
    }
    Cobalt::Engine *first = Cobalt::startEngine();
    ASSERT_EQ(Cobalt::Engine::instance(), first);
    EXPECT_EQ(first->getFileServer()->getRootFileSystem()->getName(), "root");
    first->getFileServer()->setAlias("marker", "/first");
    {
        const Testing::LogCapture log;
        Cobalt::Engine *second = Cobalt::startEngine();
        EXPECT_NE(second, first);
        EXPECT_EQ(Cobalt::Engine::instance(), second);
        EXPECT_EQ(second->getFileServer()->resolve("marker:x"), "marker:x");
        EXPECT_EQ(log.text().rfind("Destroying game\nTime: ", 0), 0u) << log.text();
    }
    const Testing::LogCapture log;
    Cobalt::shutdownEngine();
    EXPECT_EQ(Cobalt::Engine::instance(), nullptr);
    const std::string text = log.text();
    EXPECT_EQ(text.rfind("Destroying game\nTime: ", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
    Cobalt::Log::instance().message("after the engine");
    EXPECT_EQ(log.text(), text) << "the closed output must not receive more lines";
}

} // namespace
