// Tests of md5Hex and the streamed digest: the RFC 1321 suite, the empty-buffer rule, and random
// data against md5sum.
#include "app/Md5.h"

#include "platform/SystemHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

using Cobalt::md5Hex;

// RFC 1321, appendix A.5. The digests of "a" and "abc" hold bytes below 16 (0x0c, 0x01), so they
// also pin the leading zero digit.
TEST(Md5Test, MatchesTheRfc1321SuiteButGivesNoTextForAnEmptyBuffer) {
    EXPECT_EQ(md5Hex({}), "");
    EXPECT_EQ(Cobalt::Md5().hexDigest(), "d41d8cd98f00b204e9800998ecf8427e")
        << "streamed: the real one";
    const std::pair<std::string, const char *> suite[] = {
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"}};
    for (const auto &[input, digest] : suite)
        EXPECT_EQ(md5Hex({input.begin(), input.end()}), digest) << input;
}

// The build wrote random files beside this program, with md5sum's digests of them.
TEST(Md5Test, MatchesMd5sumForRandomFilesAcrossThePaddingBoundaries) {
    const std::string folder = Cobalt::executableFolder() + "/md5-data/";
    std::ifstream digests(folder + "file-digests.txt");
    std::string digest, name;
    int checked = 0;
    for (; digests >> digest >> name; ++checked) {
        std::ifstream file(folder + name, std::ios::binary);
        const std::vector<char> data{std::istreambuf_iterator<char>(file), {}};
        ASSERT_FALSE(data.empty()) << name;
        EXPECT_EQ(md5Hex(data), digest) << name;
        // The same bytes in uneven pieces, as a stream delivers them.
        Cobalt::Md5 pieces;
        for (std::size_t at = 0, step = 1; at < data.size(); at += step, step = step * 7 % 997 + 1)
            pieces.update(data.data() + at, std::min(step, data.size() - at));
        EXPECT_EQ(pieces.hexDigest(), digest) << name;
    }
    EXPECT_EQ(checked, 12) << "missing test data in " << folder;
}

} // namespace
