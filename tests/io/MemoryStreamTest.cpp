// Memory streams and the read-only buffer behind them.
#include "io/MemoryStream.h"
#include "io/StreamBuf.h"

#include <gtest/gtest.h>

#include <vector>

using Cobalt::IO::MemoryStream;
using Cobalt::IO::StreamBuf;

namespace {

const std::vector<char> TenBytes{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
const std::streampos Invalid(std::streamoff(-1));
constexpr auto Eof = std::char_traits<char>::eof();

TEST(MemoryStreamTest, OpenWithItsBytesAndSizedWithoutMovingOrClosedWhenEmpty) {
    MemoryStream stream(TenBytes);
    EXPECT_TRUE(stream.isOpen());
    stream.seekg(3, 0);
    EXPECT_EQ(stream.getSize(), 10u);
    EXPECT_EQ(stream.tellg(), std::streampos(3));
    MemoryStream empty({});
    EXPECT_FALSE(empty.isOpen());
    EXPECT_TRUE(empty.open()) << "there is nothing to open";
    EXPECT_FALSE(empty.isOpen());
    EXPECT_EQ(empty.getSize(), 0u);
}

TEST(MemoryStreamTest, Byte255IsDataNotEndOfFile) {
    MemoryStream stream({'\xff', 'a', '\xff', '\n', '\xff'});
    std::string line;
    stream.readLine(line, '\n');
    EXPECT_EQ(line, "\xff"
                    "a\xff");
    char last = 0;
    ASSERT_TRUE(stream.read(&last, 1));
    EXPECT_EQ(last, '\xff');
}

TEST(MemoryStreamTest, SeeksWithinTheBytesAndFailsOnWritePositionsOrPastTheEnd) {
    MemoryStream stream(TenBytes);
    stream.seekg(10, 0);
    EXPECT_EQ(stream.tellg(), std::streampos(10));
    EXPECT_TRUE(stream.isOpen());
    EXPECT_EQ(stream.tellp(), Invalid);
    stream.seekp(0, 0);
    EXPECT_FALSE(stream.isOpen());
    MemoryStream beyond(TenBytes);
    beyond.seekg(11, 0);
    EXPECT_FALSE(beyond.isOpen());
}

TEST(StreamBufTest, MovesTheReadPositionOnlyWithinBounds) {
    const auto beg = std::ios_base::beg, cur = std::ios_base::cur, end = std::ios_base::end;
    struct Seek {
        std::streamoff offset;
        std::ios_base::seekdir direction;
        std::streamoff expected; // -1: the request fails
    } const seeks[] = {{10, beg, 10}, {11, beg, -1}, {-1, beg, -1}, {-5, cur, 0}, {-6, cur, -1},
                       {5, cur, 10},  {6, cur, -1},  {-4, end, 6},  {1, end, -1}, {-11, end, -1}};
    for (const Seek &seek : seeks) {
        SCOPED_TRACE(testing::Message() << seek.offset << " from " << seek.direction);
        StreamBuf buffer(TenBytes);
        ASSERT_EQ(buffer.pubseekpos(5, std::ios_base::in), std::streampos(5));
        EXPECT_EQ(buffer.pubseekoff(seek.offset, seek.direction, std::ios_base::in),
                  std::streampos(seek.expected));
        const std::streamoff now = seek.expected < 0 ? 5 : seek.expected;
        EXPECT_EQ(buffer.sgetc(), now < 10 ? TenBytes[now] : Eof);
    }
    StreamBuf buffer(TenBytes);
    EXPECT_EQ(buffer.pubseekpos(2, std::ios_base::out), Invalid);
    EXPECT_EQ(buffer.sgetc(), '0') << "a refused request must not move the read position";
}

} // namespace
