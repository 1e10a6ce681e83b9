// Splitting, trimming, percent-encoding and decimal reading of protocol texts.
#include "network/TextHelpers.h"

#include <gtest/gtest.h>

#include <limits>

using KSNetwork::decimalValue;
using KSNetwork::splitString;
using KSNetwork::trimWhitespace;
using KSNetwork::urlEncode;

namespace {

struct SplitCase {
    std::string text;
    std::string delimiters;
    std::vector<std::string> pieces;
};

class SplitStringTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitStringTest, CutsAtEveryDelimiterAndKeepsEmptyPieces) {
    EXPECT_EQ(splitString(GetParam().text, GetParam().delimiters), GetParam().pieces);
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, SplitStringTest,
    ::testing::Values(
        SplitCase{"OK,a,b", ",", {"OK", "a", "b"}}, SplitCase{"", ",", {""}},
        SplitCase{"a,,b", ",", {"a", "", "b"}}, SplitCase{"a,", ",", {"a", ""}},
        SplitCase{",", ",", {"", ""}}, SplitCase{"no delimiter", ",", {"no delimiter"}},
        SplitCase{"k:v;w", ":;", {"k", "v", "w"}},
        SplitCase{"HTTP/1.1 404 Not Found\r\n", " ", {"HTTP/1.1", "404", "Not", "Found\r\n"}}));

struct TrimCase {
    std::string text;
    std::string trimmed;
};

class TrimWhitespaceTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimWhitespaceTest, RemovesBlankTabLfAndCrAtBothEndsOnly) {
    EXPECT_EQ(trimWhitespace(GetParam().text), GetParam().trimmed);
}

INSTANTIATE_TEST_SUITE_P(Texts, TrimWhitespaceTest,
                         ::testing::Values(TrimCase{"", ""}, TrimCase{" \t\r\n", ""},
                                           TrimCase{"\r\n OK,a,b \t\n", "OK,a,b"},
                                           TrimCase{"a \t\r\n b", "a \t\r\n b"},
                                           TrimCase{"\vOK\f", "\vOK\f"}, TrimCase{"x", "x"}));

TEST(UrlEncodeTest, EncodesEachOfTheUnsafeCharactersInLowerCaseHex) {
    const std::string unsafe = " <>#\"%{}|\\^[]~`$&+,/:;=?@";
    ASSERT_EQ(unsafe.size(), 25u);
    for (const char c : unsafe) {
        char expected[4];
        std::snprintf(expected, sizeof expected, "%%%02x", static_cast<unsigned char>(c));
        EXPECT_EQ(urlEncode(std::string(1, c)), expected) << "character '" << c << "'";
    }
}

TEST(UrlEncodeTest, CopiesEveryOtherByteUnchanged) {
    std::string others;
    for (int code = 0; code < 256; ++code) {
        const char c = static_cast<char>(code);
        if (std::string(" <>#\"%{}|\\^[]~`$&+,/:;=?@").find(c) == std::string::npos)
            others += c;
    }
    ASSERT_EQ(others.size(), 231u);
    EXPECT_EQ(urlEncode(others), others);
}

TEST(UrlEncodeTest, EncodesInsideLongerValues) {
    EXPECT_EQ(urlEncode("a b&c"), "a%20b%26c");
    EXPECT_EQ(urlEncode("dir/file.zip"), "dir%2ffile.zip");
}

struct DecimalCase {
    std::string text;
    std::int32_t value;
};

class DecimalValueTest : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(DecimalValueTest, ReadsLikeTheCLibraryAndClampsTo32Bits) {
    EXPECT_EQ(decimalValue(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DecimalValueTest,
    ::testing::Values(DecimalCase{"200", 200}, DecimalCase{"404\r\n", 404}, DecimalCase{"abc", 0},
                      DecimalCase{"", 0}, DecimalCase{"-5", -5}, DecimalCase{" +7x", 7},
                      DecimalCase{"12abc", 12},
                      DecimalCase{"99999999999", std::numeric_limits<std::int32_t>::max()},
                      DecimalCase{"-99999999999", std::numeric_limits<std::int32_t>::min()}));

} // namespace
