// Tests of the engine log: level masks and printf-style messages.
#include "app/Log.h"
#include "io/Exception.h"

#include <gtest/gtest.h>

#include <deque>
#include <sstream>
#include <string>

namespace {

using Cobalt::Log;

// Every test starts from the log's defaults with no outputs and leaves it that way.
class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        log.closeOutputs();
        log.setMaximumLevel(32);
        log.setIndentation(0);
        log.setLevel(Log::Default);
    }
    void TearDown() override { SetUp(); }

    // Attaches an output with mask over a buffer of the test's own (the log destroys the stream).
    std::stringbuf &attach(std::uint32_t mask) {
        log.addOutput(std::make_unique<std::ostream>(&buffers.emplace_back()), mask);
        return buffers.back();
    }

    Log &log = Log::instance();
    std::deque<std::stringbuf> buffers;
};

TEST_F(LogTest, TextReachesOutputsWhoseMaskSharesABitWithTheLevel) {
    const struct {
        std::uint32_t level, mask;
        bool reached;
    } rows[] = {{16, 8, false}, {16, 24, true}, {8, 0, false}};
    for (const auto &row : rows) {
        SCOPED_TRACE("level " + std::to_string(row.level) + ", mask " + std::to_string(row.mask));
        std::stringbuf &text = attach(row.mask);
        log.setLevel(row.level);
        log << "value " << 42 << std::endl;
        EXPECT_EQ(text.str(), row.reached ? "value 42\n" : "");
        log.closeOutputs();
    }
}

TEST_F(LogTest, MessageWritesALineAtLevelEightCutTo511CharactersAndStaysThere) {
    std::stringbuf &information = attach(Log::Information);
    std::stringbuf &byDefault = attach(Log::Default);
    const std::string longText(2000, 'x'), part(300, 'y');
    log.message("user %s, %d files", "anna", 3);
    log.message("%s", longText.c_str());
    log.message("%s|%s|%d", part.c_str(), part.c_str(), 7);
    log << "more" << std::endl;
    EXPECT_EQ(information.str(), "user anna, 3 files\n" + std::string(511, 'x') + "\n" + part +
                                     "|" + part.substr(0, 210) + "\nmore\n");
    EXPECT_EQ(byDefault.str(), "");
}

// Indentation starts each line, texts above the maximum level vanish, and an engine exception
// leaves its own line at the exceptions level.
TEST_F(LogTest, IndentsLinesDropsLevelsAboveTheMaximumAndRecordsExceptions) {
    std::stringbuf &text = attach(Log::Default | Log::Information | Log::Exceptions);
    log.setIndentation(3);
    log << "one"
        << " more" << std::endl
        << "two" << std::endl;
    log.setIndentation(0);
    log.setMaximumLevel(Log::Information);
    log << "dropped" << std::endl;
    log.message("kept %d", 8);
    Cobalt::Exception("disk full");
    log.setMaximumLevel(Log::Exceptions);
    log.message("also dropped");
    EXPECT_EQ(text.str(), "   one more\n   two\nkept 8\nException: disk full\n");
}

} // namespace
