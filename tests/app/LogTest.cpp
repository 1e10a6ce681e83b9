// Tests of the engine log: level masks, the maximum level, indentation, message and closing.
#include "app/Log.h"

#include "platform/SystemHelpers.h"

#include <gtest/gtest.h>

#include <deque>
#include <regex>
#include <streambuf>
#include <string>

namespace {

using Cobalt::Log;

// An output stream that appends to a text owned by the test, so the text outlives the stream the
// log destroys, and that records its own destruction.
class CapturedOutput : public std::ostream {
public:
    CapturedOutput(std::string &text, bool &destroyed)
        : std::ostream(&buffer), buffer(text), destroyed(destroyed) {}
    ~CapturedOutput() override { destroyed = true; }

private:
    class Buffer : public std::streambuf {
    public:
        explicit Buffer(std::string &text) : text(text) {}

    protected:
        int_type overflow(int_type character) override {
            if (!traits_type::eq_int_type(character, traits_type::eof()))
                text += traits_type::to_char_type(character);
            return traits_type::not_eof(character);
        }
        std::streamsize xsputn(const char *bytes, std::streamsize count) override {
            text.append(bytes, static_cast<std::size_t>(count));
            return count;
        }

    private:
        std::string &text;
    } buffer;
    bool &destroyed;
};

// Every test starts from the log's defaults with no outputs and leaves it that way.
class LogTest : public ::testing::Test {
protected:
    void SetUp() override { resetLog(); }
    void TearDown() override {
        log.closeOutputs();
        resetLog();
    }

    // Attaches a captured output with mask and returns the text it receives.
    std::string &attach(std::uint32_t mask) {
        texts.emplace_back();
        destroyedFlags.push_back(false);
        log.addOutput(std::make_unique<CapturedOutput>(texts.back(), destroyedFlags.back()), mask);
        return texts.back();
    }

    void resetLog() {
        log.closeOutputs();
        log.setMaximumLevel(32);
        log.setIndentation(0);
        log.setLevel(Log::Default);
        // Ends any line left open, so the next text starts a line.
        log << std::endl;
    }

    Log &log = Log::instance();
    std::deque<std::string> texts;
    std::deque<bool> destroyedFlags;
};

struct MaskCase {
    std::uint32_t level;
    std::uint32_t mask;
    bool reached;
};

class LogMaskTest : public LogTest, public ::testing::WithParamInterface<MaskCase> {};

TEST_P(LogMaskTest, TextReachesOutputsWhoseMaskSharesABitWithTheLevel) {
    const MaskCase &rule = GetParam();
    std::string &text = attach(rule.mask);
    log.setLevel(rule.level);
    log << "value " << 42 << std::endl;
    EXPECT_EQ(text, rule.reached ? "value 42\n" : "");
}

INSTANTIATE_TEST_SUITE_P(Levels, LogMaskTest,
                         ::testing::Values(MaskCase{16, 8, false}, MaskCase{16, 24, true},
                                           MaskCase{16, 16, true}, MaskCase{8, 8, true},
                                           MaskCase{2, 8, false}, MaskCase{2, 0xffffffff, true},
                                           MaskCase{8, 0, false}));

TEST_F(LogTest, EachOutputReceivesOnlyItsOwnLevels) {
    std::string &information = attach(Log::Information);
    std::string &exceptions = attach(Log::Exceptions);
    log.setLevel(Log::Information);
    log << "info" << std::endl;
    log.setLevel(Log::Exceptions);
    log << "boom" << std::endl;
    EXPECT_EQ(information, "info\n");
    EXPECT_EQ(exceptions, "boom\n");
}

TEST_F(LogTest, DropsLevelsAboveTheMaximum) {
    std::string &text = attach(0xffffffff);
    log.setMaximumLevel(8);
    log.setLevel(Log::Default);
    log << "dropped" << std::endl;
    log.setLevel(Log::Information);
    log << "kept" << std::endl;
    log.setLevel(Log::Exceptions);
    log << "also kept" << std::endl;
    EXPECT_EQ(text, "kept\nalso kept\n");
}

TEST_F(LogTest, IndentsOnlyAtTheStartOfALine) {
    std::string &text = attach(Log::Default);
    log.setIndentation(3);
    log << "a" << 1 << std::endl << "b" << std::endl;
    EXPECT_EQ(text, "   a1\n   b\n");
}

TEST_F(LogTest, ALineEndAtADroppedLevelStillStartsANewLine) {
    std::string &text = attach(Log::Default);
    log.setIndentation(2);
    log << "first";
    log.setMaximumLevel(8);
    log << std::endl;
    log.setMaximumLevel(32);
    log << "second" << std::endl;
    EXPECT_EQ(text, "  first  second\n");
}

TEST_F(LogTest, MessageWritesAFormattedLineAtLevelEight) {
    std::string &information = attach(Log::Information);
    std::string &byDefault = attach(Log::Default);
    log.message("user %s, %d files", "anna", 3);
    EXPECT_EQ(information, "user anna, 3 files\n");
    EXPECT_EQ(byDefault, "");
    // The level stays at 8 for what follows.
    log << "more" << std::endl;
    EXPECT_EQ(information, "user anna, 3 files\nmore\n");
}

TEST_F(LogTest, MessageCutsALongTextTo511Characters) {
    std::string &text = attach(Log::Information);
    const std::string longText(2000, 'x');
    log.message("%s", longText.c_str());
    EXPECT_EQ(text, std::string(511, 'x') + "\n");
}

TEST_F(LogTest, MessageCutsTextBuiltFromManyArguments) {
    std::string &text = attach(Log::Information);
    const std::string part(300, 'y');
    log.message("%s|%s|%d", part.c_str(), part.c_str(), 7);
    EXPECT_EQ(text, part + "|" + part.substr(0, 210) + "\n");
}

TEST_F(LogTest, MessageIsDroppedWhenTheMaximumIsBelowEight) {
    std::string &text = attach(0xffffffff);
    log.setMaximumLevel(4);
    log.message("hidden %d", 1);
    log << "still level eight" << std::endl;
    log.setLevel(Log::Exceptions);
    log << "shown" << std::endl;
    EXPECT_EQ(text, "shown\n");
}

TEST_F(LogTest, CloseOutputsWritesTheTimeToEveryOutputAndDestroysThem) {
    // Even an output that takes no level gets the closing time.
    std::string &first = attach(Log::Information);
    std::string &second = attach(0);
    const std::string before = Cobalt::currentTimeText();
    log.closeOutputs();
    const std::string after = Cobalt::currentTimeText();

    const std::regex asctimeShape(
        "[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\\d \\d{2}:\\d{2}:\\d{2} \\d{4}\n");
    for (const std::string *text : {&first, &second}) {
        ASSERT_EQ(text->compare(0, 6, "Time: "), 0) << *text;
        const std::string time = text->substr(6, text->size() - 8);
        EXPECT_TRUE(std::regex_match(time, asctimeShape)) << time;
        EXPECT_TRUE(time == before || time == after) << time;
        EXPECT_EQ(text->substr(text->size() - 2), "\n\n");
    }
    EXPECT_TRUE(destroyedFlags[0]);
    EXPECT_TRUE(destroyedFlags[1]);

    // Nothing is left to write to.
    log << "after closing" << std::endl;
    EXPECT_EQ(first.find("after closing"), std::string::npos);
}

} // namespace
