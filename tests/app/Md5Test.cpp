// Tests of md5Hex: the RFC 1321 suite, the empty-buffer rule, and random data against md5sum.
#include "app/Md5.h"

#include "platform/SystemHelpers.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Cobalt::md5Hex;

std::vector<char> bytesOf(const std::string &text) { return {text.begin(), text.end()}; }

// The files the build wrote beside this program with md5sum's digests of them.
std::string dataFolder() { return Cobalt::executableFolder() + "/md5-data/"; }

std::vector<char> readFile(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool isDigestText(const std::string &text) {
    return std::regex_match(text, std::regex("[0-9a-f]{32}"));
}

struct KnownDigest {
    const char *input;
    const char *digest;
};

class Md5SuiteTest : public ::testing::TestWithParam<KnownDigest> {};

TEST_P(Md5SuiteTest, MatchesTheReferenceDigest) {
    EXPECT_EQ(md5Hex(bytesOf(GetParam().input)), GetParam().digest);
}

// RFC 1321, appendix A.5 (its digest of the empty string is left out: md5Hex gives no text then).
INSTANTIATE_TEST_SUITE_P(
    Rfc1321, Md5SuiteTest,
    ::testing::Values(
        KnownDigest{"a", "0cc175b9c0f1b6a831c399e269772661"},
        KnownDigest{"abc", "900150983cd24fb0d6963f7d28e17f72"},
        KnownDigest{"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        KnownDigest{"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        KnownDigest{"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
                    "d174ab98d277d9f5a5611c2c9f419d9f"},
        KnownDigest{"1234567890123456789012345678901234567890123456789012345678901234567890123456"
                    "7890",
                    "57edf4a22be3c955ac49da2e2107b67a"}));

TEST(Md5Test, GivesNoTextForAnEmptyBuffer) { EXPECT_EQ(md5Hex({}), ""); }

TEST(Md5Test, WritesBytesBelowSixteenWithALeadingZero) {
    // The digest of "a" begins with the byte 0x0c, and that of "abc" has 0x01 as its second byte.
    EXPECT_EQ(md5Hex(bytesOf("a")).substr(0, 2), "0c");
    EXPECT_EQ(md5Hex(bytesOf("abc")).substr(2, 2), "01");
}

TEST(Md5Test, DigestsZeroBytesAndHighBytes) {
    EXPECT_TRUE(isDigestText(md5Hex(std::vector<char>(1, '\0'))));
    EXPECT_NE(md5Hex(std::vector<char>(1, '\0')), md5Hex(std::vector<char>(2, '\0')));
    EXPECT_NE(md5Hex(std::vector<char>(1, '\x80')), md5Hex(std::vector<char>(1, '\x7f')));
}

TEST(Md5Test, MatchesMd5sumForEveryPrefixAcrossThePaddingBoundaries) {
    const std::vector<char> data = readFile(dataFolder() + "prefixes.bin");
    std::ifstream digests(dataFolder() + "prefix-digests.txt");
    ASSERT_EQ(data.size(), 200u) << "missing test data in " << dataFolder();
    std::size_t length = 0;
    std::string expected;
    int checked = 0;
    int withLeadingZero = 0;
    while (digests >> length >> expected) {
        const std::string digest = md5Hex(std::vector<char>(data.begin(), data.begin() + length));
        EXPECT_EQ(digest, expected) << "length " << length;
        for (std::size_t pair = 0; pair < 32; pair += 2)
            withLeadingZero += expected[pair] == '0';
        ++checked;
    }
    EXPECT_EQ(checked, 200);
    // 200 random digests hold bytes below 16 in practice; checking them exercised the zero fill.
    EXPECT_GT(withLeadingZero, 0);
}

TEST(Md5Test, MatchesMd5sumForLargeRandomFiles) {
    std::ifstream digests(dataFolder() + "file-digests.txt");
    std::string line;
    int checked = 0;
    while (std::getline(digests, line)) {
        // md5sum writes the digest, two blanks (or a blank and '*') and the file name.
        const std::string expected = line.substr(0, 32);
        const std::string name = line.substr(34);
        const std::vector<char> data = readFile(dataFolder() + name);
        ASSERT_FALSE(data.empty()) << name;
        EXPECT_EQ(md5Hex(data), expected) << name << " (" << data.size() << " bytes)";
        ++checked;
    }
    EXPECT_EQ(checked, 3) << "missing test data in " << dataFolder();
}

} // namespace
