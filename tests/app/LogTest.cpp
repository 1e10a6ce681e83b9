// Tests of the engine log: level masks, the maximum level, indentation, message and closing.
#include "app/Log.h"

#include "platform/SystemHelpers.h"

#include <gtest/gtest.h>

#include <deque>
#include <sstream>
#include <string>

namespace {

using Cobalt::Log;

// Every test starts from the log's defaults with no outputs and leaves it that way.
class LogTest : public ::testing::Test {
protected:
    void SetUp() override { resetLog(); }
    void TearDown() override { resetLog(); }

    void resetLog() {
        log.closeOutputs();
        log.setMaximumLevel(32);
        log.setIndentation(0);
        log.setLevel(Log::Default);
        log << std::endl; // ends any line left open
    }

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
    } rows[] = {{16, 8, false}, {16, 24, true},        {16, 16, true}, {8, 8, true},
                {2, 8, false},  {2, 0xffffffff, true}, {8, 0, false}};
    for (const auto &row : rows) {
        SCOPED_TRACE("level " + std::to_string(row.level) + ", mask " + std::to_string(row.mask));
        std::stringbuf &text = attach(row.mask);
        log.setLevel(row.level);
        log << "value " << 42 << std::endl;
        EXPECT_EQ(text.str(), row.reached ? "value 42\n" : "");
        log.closeOutputs();
    }
}

TEST_F(LogTest, DropsLevelsAboveTheMaximumIncludingMessages) {
    std::stringbuf &text = attach(0xffffffff);
    log.setMaximumLevel(8);
    log << "dropped" << std::endl;
    log.setLevel(Log::Information);
    log << "kept" << std::endl;
    log.setMaximumLevel(4);
    log.message("hidden %d", 1);
    log << "still level eight" << std::endl;
    log.setLevel(Log::Exceptions);
    log << "shown" << std::endl;
    EXPECT_EQ(text.str(), "kept\nshown\n");
}

// A line end at a dropped level still ends the line, so the next text is indented again.
TEST_F(LogTest, IndentsOnlyAtTheStartOfALine) {
    std::stringbuf &text = attach(Log::Default);
    log.setIndentation(2);
    log << "a" << 1 << std::endl << "b";
    log.setMaximumLevel(8);
    log << std::endl;
    log.setMaximumLevel(32);
    log << "c" << std::endl;
    EXPECT_EQ(text.str(), "  a1\n  b  c\n");
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

TEST_F(LogTest, CloseOutputsWritesTheTimeToEveryOutputAndDetachesThem) {
    // Even an output that takes no level gets the closing time.
    std::stringbuf &first = attach(Log::Information);
    std::stringbuf &second = attach(0);
    const std::string before = Cobalt::currentTimeText();
    log.closeOutputs();
    const std::string after = Cobalt::currentTimeText();

    for (const std::stringbuf *buffer : {&first, &second}) {
        const std::string text = buffer->str();
        EXPECT_TRUE(text == "Time: " + before + "\n\n" || text == "Time: " + after + "\n\n")
            << text;
    }
    log << "after closing" << std::endl;
    EXPECT_EQ(first.str().find("after closing"), std::string::npos);
}

} // namespace
