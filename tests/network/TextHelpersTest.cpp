// Splitting, trimming, percent-encoding and decimal reading of protocol texts.
#include "network/TextHelpers.h"

#include <gtest/gtest.h>

#include <limits>

using namespace KSNetwork;

namespace {

TEST(TextHelpersTest, SplitCutsAtEveryDelimiterAndKeepsEmptyPieces) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"OK,a,b", {"OK", "a", "b"}},
        {"", {""}},
        {"a,,b", {"a", "", "b"}},
        {"a,", {"a", ""}},
        {",", {"", ""}},
        {"no delimiter", {"no delimiter"}},
        {"k:v;w", {"k:v", "w"}},
        {"k:v,w", {"k:v", "w"}}};
    for (const auto &test : cases)
        EXPECT_EQ(splitString(test.first, ",;"), test.second) << test.first;
    EXPECT_EQ(splitString("HTTP/1.1 404 Not Found\r\n", " "),
              (std::vector<std::string>{"HTTP/1.1", "404", "Not", "Found\r\n"}));
}

TEST(TextHelpersTest, TrimRemovesBlankTabLfAndCrAtBothEndsOnly) {
    const std::pair<std::string, std::string> cases[] = {{"", ""},
                                                         {" \t\r\n", ""},
                                                         {"\r\n OK,a,b \t\n", "OK,a,b"},
                                                         {"x", "x"},
                                                         {"a \t\r\n b", "a \t\r\n b"},
                                                         {"\vOK\f", "\vOK\f"}};
    for (const auto &test : cases)
        EXPECT_EQ(trimWhitespace(test.first), test.second) << '"' << test.first << '"';
}

TEST(TextHelpersTest, UrlEncodeWritesTheUnsafeCharactersInLowerCaseHexOnly) {
    const std::string unsafe = " <>#\"%{}|\\^[]~`$&+,/:;=?@";
    std::string others;
    for (int code = 0; code < 256; ++code) {
        const char c = static_cast<char>(code);
        if (unsafe.find(c) != std::string::npos) {
            char expected[4];
            std::snprintf(expected, sizeof expected, "%%%02x", static_cast<unsigned char>(c));
            EXPECT_EQ(urlEncode(std::string(1, c)), expected) << "character '" << c << "'";
        } else {
            others += c;
        }
    }
    ASSERT_EQ(others.size(), 256u - 25u);
    EXPECT_EQ(urlEncode(others), others);
    EXPECT_EQ(urlEncode("dir/a b&c.zip"), "dir%2fa%20b%26c.zip");
}

TEST(TextHelpersTest, DecimalReadsLikeTheCLibraryAndClampsTo32Bits) {
    const std::pair<std::string, std::int32_t> cases[] = {
        {"200", 200},
        {"404\r\n", 404},
        {"abc", 0},
        {"", 0},
        {"-5", -5},
        {" +7x", 7},
        {"12abc", 12},
        {"99999999999", std::numeric_limits<std::int32_t>::max()},
        {"-99999999999", std::numeric_limits<std::int32_t>::min()}};
    for (const auto &test : cases)
        EXPECT_EQ(decimalValue(test.first), test.second) << test.first;
}

} // namespace
