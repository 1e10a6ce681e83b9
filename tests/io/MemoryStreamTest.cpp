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

TEST(MemoryStreamTest, EmptyVectorGivesAStreamThatNeverOpens) {
    MemoryStream stream({});
    EXPECT_FALSE(stream.isOpen());
    EXPECT_TRUE(stream.open());
    EXPECT_FALSE(stream.isOpen());
    EXPECT_EQ(stream.getSize(), 0u);
}

TEST(MemoryStreamTest, IsOpenAtOnceWithNoNameAndBinaryMode) {
    MemoryStream stream(TenBytes);
    EXPECT_TRUE(stream.isOpen());
    EXPECT_EQ(stream.getName(), "");
    EXPECT_EQ(stream.getMode(), Cobalt::IO::Binary);
    EXPECT_TRUE(stream.isBinary());
}

TEST(MemoryStreamTest, ReadsItsPrivateCopy) {
    std::vector<char> source = TenBytes;
    MemoryStream stream(source);
    source.assign(10, 'x');

    std::vector<char> buffer;
    ASSERT_TRUE(stream.read(buffer, 100));
    EXPECT_EQ(buffer, TenBytes);
}

TEST(MemoryStreamTest, GetSizeKeepsTheReadPosition) {
    MemoryStream stream(TenBytes);
    stream.seekg(4, 0);
    EXPECT_EQ(stream.getSize(), 10u);
    EXPECT_EQ(stream.tellg(), std::streampos(4));
}

TEST(MemoryStreamTest, Byte255IsDataNotEndOfFile) {
    const std::vector<char> bytes{'\xff', 'a', '\xff', '\xff', '\n', '\xff'};
    MemoryStream stream(bytes);

    std::string line;
    stream.readLine(line, '\n');
    EXPECT_EQ(line, std::string("\xff"
                                "a\xff\xff"));
    char last = 0;
    ASSERT_TRUE(stream.read(&last, 1));
    EXPECT_EQ(last, '\xff');

    MemoryStream whole(bytes);
    std::vector<char> buffer;
    ASSERT_TRUE(whole.read(buffer, 100));
    EXPECT_EQ(buffer, bytes);
}

TEST(MemoryStreamTest, WritePositionIsInvalid) {
    MemoryStream stream(TenBytes);
    EXPECT_EQ(stream.tellp(), Invalid);
}

TEST(MemoryStreamTest, SeekingTheWritePositionFails) {
    MemoryStream stream(TenBytes);
    stream.seekp(0, 0);
    EXPECT_FALSE(stream.isOpen());
}

TEST(MemoryStreamTest, WritesAreAcceptedAndLost) {
    MemoryStream stream(TenBytes);
    EXPECT_TRUE(stream.write({'a', 'b', 'c'}, 3));
    EXPECT_TRUE(stream.isOpen());
    std::vector<char> buffer;
    ASSERT_TRUE(stream.read(buffer, 100));
    EXPECT_EQ(buffer, TenBytes);
}

TEST(MemoryStreamTest, SeekBeyondTheEndFailsTheStream) {
    MemoryStream stream(TenBytes);
    stream.seekg(11, 0);
    EXPECT_FALSE(stream.isOpen());
}

struct SeekCase {
    std::streamoff offset;
    std::ios_base::seekdir direction;
    std::streamoff expected; // -1: the request fails
};

std::ostream &operator<<(std::ostream &out, const SeekCase &seek) {
    return out << "offset " << seek.offset << " direction " << seek.direction;
}

// The buffer starts each case at position 5 of 10 bytes.
class StreamBufSeekTest : public ::testing::TestWithParam<SeekCase> {};

TEST_P(StreamBufSeekTest, MovesTheReadPositionWithinBounds) {
    StreamBuf buffer(TenBytes);
    ASSERT_EQ(buffer.pubseekpos(5, std::ios_base::in), std::streampos(5));

    const SeekCase &seek = GetParam();
    const std::streampos result = buffer.pubseekoff(seek.offset, seek.direction, std::ios_base::in);
    EXPECT_EQ(result, std::streampos(seek.expected));

    const std::streamoff now = seek.expected < 0 ? 5 : seek.expected;
    if (now < 10)
        EXPECT_EQ(buffer.sgetc(), TenBytes[now]);
    else
        EXPECT_EQ(buffer.sgetc(), std::char_traits<char>::eof());
}

INSTANTIATE_TEST_SUITE_P(
    Directions, StreamBufSeekTest,
    ::testing::Values(SeekCase{3, std::ios_base::beg, 3}, SeekCase{0, std::ios_base::beg, 0},
                      SeekCase{10, std::ios_base::beg, 10}, SeekCase{11, std::ios_base::beg, -1},
                      SeekCase{-1, std::ios_base::beg, -1}, SeekCase{2, std::ios_base::cur, 7},
                      SeekCase{-5, std::ios_base::cur, 0}, SeekCase{-6, std::ios_base::cur, -1},
                      SeekCase{5, std::ios_base::cur, 10}, SeekCase{6, std::ios_base::cur, -1},
                      SeekCase{0, std::ios_base::end, 10}, SeekCase{-4, std::ios_base::end, 6},
                      SeekCase{-10, std::ios_base::end, 0}, SeekCase{-11, std::ios_base::end, -1},
                      SeekCase{1, std::ios_base::end, -1},
                      SeekCase{0, static_cast<std::ios_base::seekdir>(7), -1}));

TEST(StreamBufTest, WritePositionRequestsFail) {
    StreamBuf buffer(TenBytes);
    EXPECT_EQ(buffer.pubseekoff(0, std::ios_base::cur, std::ios_base::out), Invalid);
    EXPECT_EQ(buffer.pubseekoff(2, std::ios_base::beg, std::ios_base::in | std::ios_base::out),
              Invalid);
    EXPECT_EQ(buffer.pubseekpos(2, std::ios_base::out), Invalid);
    EXPECT_EQ(buffer.sgetc(), '0') << "a refused request must not move the read position";
}

TEST(StreamBufTest, NothingCanBePutBack) {
    StreamBuf buffer(TenBytes);
    EXPECT_EQ(buffer.sungetc(), std::char_traits<char>::eof());
    EXPECT_EQ(buffer.sbumpc(), '0');
    EXPECT_EQ(buffer.sputbackc('x'), std::char_traits<char>::eof());
    EXPECT_EQ(buffer.sgetc(), '1');
}

TEST(StreamBufTest, PutCharactersAreAcceptedAndDropped) {
    StreamBuf buffer(TenBytes);
    EXPECT_EQ(buffer.sputc('x'), 'x');
    EXPECT_EQ(buffer.pubsync(), 0);
    EXPECT_EQ(buffer.sgetc(), '0');
}

TEST(StreamBufTest, EmptyBufferIsAtItsEnd) {
    StreamBuf buffer({});
    EXPECT_EQ(buffer.sgetc(), std::char_traits<char>::eof());
    EXPECT_EQ(buffer.pubseekpos(0, std::ios_base::in), std::streampos(0));
    EXPECT_EQ(buffer.pubseekpos(1, std::ios_base::in), Invalid);
}

} // namespace
