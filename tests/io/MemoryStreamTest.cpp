// Memory streams and the read-only buffer behind them.
#include "io/MemoryStream.h"
#include "io/OpenMode.h"
#include "io/StreamBuf.h"

#include <gtest/gtest.h>

#include <vector>

using Cobalt::IO::MemoryStream;
using Cobalt::IO::StreamBuf;

namespace {

const std::vector<char> TenBytes{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
const std::streampos Invalid(std::streamoff(-1));
constexpr auto Eof = std::char_traits<char>::eof();

TEST(MemoryStreamTest, AnEmptyVectorGivesAStreamThatNeverOpens) {
    MemoryStream stream({});
    EXPECT_FALSE(stream.isOpen());
    EXPECT_TRUE(stream.open());
    EXPECT_FALSE(stream.isOpen());
    EXPECT_EQ(stream.getSize(), 0u);
}

TEST(MemoryStreamTest, ReadsAPrivateCopyAndDropsWrites) {
    std::vector<char> source = TenBytes;
    MemoryStream stream(source);
    source.assign(10, 'x');
    EXPECT_TRUE(stream.isOpen());
    EXPECT_EQ(stream.getMode(), Cobalt::IO::Binary);
    EXPECT_TRUE(stream.write({'a', 'b', 'c'}, 3));
    EXPECT_TRUE(stream.isOpen());

    stream.seekg(4, 0);
    EXPECT_EQ(stream.getSize(), 10u);
    EXPECT_EQ(stream.tellg(), std::streampos(4));
    stream.seekg(0, 0);
    std::vector<char> buffer;
    ASSERT_TRUE(stream.read(buffer, 100));
    EXPECT_EQ(buffer, TenBytes);
}

TEST(MemoryStreamTest, Byte255IsDataNotEndOfFile) {
    const std::vector<char> bytes{'\xff', 'a', '\xff', '\xff', '\n', '\xff'};
    MemoryStream stream(bytes);
    std::string line;
    stream.readLine(line, '\n');
    EXPECT_EQ(line, "\xff"
                    "a\xff\xff");
    char last = 0;
    ASSERT_TRUE(stream.read(&last, 1));
    EXPECT_EQ(last, '\xff');

    MemoryStream whole(bytes);
    std::vector<char> buffer;
    ASSERT_TRUE(whole.read(buffer, 100));
    EXPECT_EQ(buffer, bytes);
}

TEST(MemoryStreamTest, WritePositionsAndSeeksPastTheEndFail) {
    MemoryStream stream(TenBytes);
    EXPECT_EQ(stream.tellp(), Invalid);
    stream.seekp(0, 0);
    EXPECT_FALSE(stream.isOpen());

    MemoryStream beyond(TenBytes);
    beyond.seekg(11, 0);
    EXPECT_FALSE(beyond.isOpen());
}

TEST(StreamBufTest, MovesTheReadPositionOnlyWithinBounds) {
    struct Seek {
        std::streamoff offset;
        std::ios_base::seekdir direction;
        std::streamoff expected; // -1: the request fails
    };
    const auto beg = std::ios_base::beg, cur = std::ios_base::cur, end = std::ios_base::end;
    const Seek seeks[] = {{3, beg, 3},   {0, beg, 0},
                          {10, beg, 10}, {11, beg, -1},
                          {-1, beg, -1}, {2, cur, 7},
                          {-5, cur, 0},  {-6, cur, -1},
                          {5, cur, 10},  {6, cur, -1},
                          {0, end, 10},  {-4, end, 6},
                          {-10, end, 0}, {-11, end, -1},
                          {1, end, -1},  {0, static_cast<std::ios_base::seekdir>(7), -1}};
    for (const Seek &seek : seeks) {
        SCOPED_TRACE(testing::Message() << seek.offset << " from " << seek.direction);
        StreamBuf buffer(TenBytes);
        ASSERT_EQ(buffer.pubseekpos(5, std::ios_base::in), std::streampos(5));
        EXPECT_EQ(buffer.pubseekoff(seek.offset, seek.direction, std::ios_base::in),
                  std::streampos(seek.expected));
        const std::streamoff now = seek.expected < 0 ? 5 : seek.expected;
        EXPECT_EQ(buffer.sgetc(), now < 10 ? TenBytes[now] : Eof);
    }
}

TEST(StreamBufTest, RefusesWritePositionsAndPutBacksButDropsPutCharacters) {
    StreamBuf buffer(TenBytes);
    EXPECT_EQ(buffer.pubseekoff(0, std::ios_base::cur, std::ios_base::out), Invalid);
    EXPECT_EQ(buffer.pubseekoff(2, std::ios_base::beg, std::ios_base::in | std::ios_base::out),
              Invalid);
    EXPECT_EQ(buffer.pubseekpos(2, std::ios_base::out), Invalid);
    EXPECT_EQ(buffer.sungetc(), Eof);
    EXPECT_EQ(buffer.sputc('x'), 'x');
    EXPECT_EQ(buffer.pubsync(), 0);
    EXPECT_EQ(buffer.sbumpc(), '0') << "refused requests must not move the read position";
    EXPECT_EQ(buffer.sputbackc('x'), Eof);
    EXPECT_EQ(buffer.sgetc(), '1');

    StreamBuf empty({});
    EXPECT_EQ(empty.sgetc(), Eof);
    EXPECT_EQ(empty.pubseekpos(0, std::ios_base::in), std::streampos(0));
    EXPECT_EQ(empty.pubseekpos(1, std::ios_base::in), Invalid);
}

} // namespace
