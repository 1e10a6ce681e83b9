// Memory streams over bytes held in memory.
#include "io/MemoryStream.h"

#include <gtest/gtest.h>

#include <vector>

using Cobalt::IO::MemoryStream;

namespace {

const std::vector<char> TenBytes{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
const std::streampos Invalid(std::streamoff(-1));

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

} // namespace
