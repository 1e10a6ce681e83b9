// Loading ZIP entries: byte-exact contents, and damaged entries that must not open.
#include "io/ZippedFile.h"
#include "io/OpenMode.h"
#include "io/ZIPPackage.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using Cobalt::IO::Binary;
using Cobalt::IO::In;
using Cobalt::IO::Out;
using Cobalt::IO::Trunc;
using Testing::contentsOf;
using Testing::ZipWriter;

namespace {

std::string randomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char &byte : bytes)
        byte = static_cast<char>(generator() & 0xff);
    return bytes;
}

// Words drawn at random: deflate shrinks them, but not to nothing.
std::string randomText(std::size_t size, unsigned seed) {
    static const char *const words[] = {"launcher ", "update ", "package ", "manifest ",
                                        "group ",    "file\n",  "version ", "digest "};
    std::mt19937 generator(seed);
    std::string text;
    while (text.size() < size)
        text += words[generator() % 8];
    text.resize(size);
    return text;
}

} // namespace

class RoundTripTest
    : public testing::TestWithParam<std::tuple<ZipWriter::Method, std::size_t, bool>> {};

TEST_P(RoundTripTest, ReadsTheEntryByteForByte) {
    const auto [method, size, text] = GetParam();
    const std::string data = text ? randomText(size, 5) : randomBytes(size, 9);
    ZipWriter writer;
    writer.add("first.dat", "before");
    writer.add("entry.dat", data, method);
    auto package = writer.mount();
    auto stream = package->open("entry.dat", In | Binary);
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->getSize(), size);
    EXPECT_EQ(stream->getName(), "entry.dat");
    std::vector<char> bytes;
    EXPECT_EQ(stream->read(bytes, stream->getSize()), size != 0);
    EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == data);
}

INSTANTIATE_TEST_SUITE_P(StoredAndDeflated, RoundTripTest,
                         testing::Combine(testing::Values(ZipWriter::Stored, ZipWriter::Deflated),
                                          testing::Values(0, 1, 255, 65536, 3 * 1024 * 1024 + 7),
                                          testing::Bool()));

TEST(ZippedFileTest, ReadsSequentiallyInPiecesButCannotSeek) {
    const std::string data = randomText(10000, 3);
    ZipWriter writer;
    writer.add("pieces.txt", data);
    auto package = writer.mount();
    auto stream = package->open("pieces.txt", In);
    ASSERT_TRUE(stream);
    std::string collected;
    char piece[333];
    while (collected.size() + sizeof piece <= data.size()) {
        ASSERT_TRUE(stream->read(piece, sizeof piece));
        collected.append(piece, sizeof piece);
    }
    const int rest = static_cast<int>(data.size() - collected.size());
    ASSERT_TRUE(stream->read(piece, rest));
    collected.append(piece, static_cast<std::size_t>(rest));
    EXPECT_EQ(collected, data);
    EXPECT_FALSE(stream->read(piece, 1));
    EXPECT_EQ(stream->tellg(), std::streampos(-1)) << "positions are not reported";
    stream->seekg(0, 0);
    EXPECT_FALSE(stream->isOpen());
    EXPECT_EQ(stream->getSize(), 10000u);
}

TEST(ZippedFileTest, TwoOpenEntriesOfOnePackageReadIndependently) {
    ZipWriter writer;
    writer.add("one.txt", randomText(5000, 1));
    writer.add("two.txt", randomText(7000, 2), ZipWriter::Stored);
    auto package = writer.mount();
    auto one = package->open("one.txt", In);
    auto two = package->open("two.txt", In);
    auto oneAgain = package->open("one.txt", In);
    ASSERT_TRUE(one && two && oneAgain);
    char a[100], b[100], c[100];
    ASSERT_TRUE(one->read(a, 100) && two->read(b, 100) && oneAgain->read(c, 100));
    EXPECT_EQ(std::string(a, 100), randomText(5000, 1).substr(0, 100));
    EXPECT_EQ(std::string(b, 100), randomText(7000, 2).substr(0, 100));
    EXPECT_EQ(std::string(c, 100), std::string(a, 100));
}

TEST(ZippedFileTest, WriteOnlyModesOpenWithoutLoading) {
    // The data is never inflated or checked, so even a damaged entry opens, empty.
    ZipWriter writer;
    ZipWriter::Entry &entry = writer.add("damaged.txt", "contents");
    entry.crc = 1;
    entry.payload = "not deflate data";
    auto package = writer.mount();
    for (const int mode : {int{Out}, Out | Trunc}) {
        auto stream = package->open("damaged.txt", mode);
        ASSERT_TRUE(stream) << mode;
        EXPECT_FALSE(stream->isOpen()) << mode;
    }
    EXPECT_FALSE(package->open("damaged.txt", In | Out));
    EXPECT_FALSE(package->open("damaged.txt", Out | Binary));
}

TEST(ZippedFileTest, ADamagedEntryDoesNotOpenAndLeavesItsNeighbours) {
    struct Damage {
        const char *label;
        std::string data;
        ZipWriter::Method method;
        std::function<void(ZipWriter::Entry &)> apply;
    };
    const std::string text = randomText(4000, 8), longText = randomText(20000, 4);
    std::string flipped = randomBytes(4000, 8);
    flipped[1234] = static_cast<char>(flipped[1234] ^ 1);
    std::string corrupt = ZipWriter::deflate(longText);
    for (std::size_t index = 10; index < corrupt.size(); index += 7)
        corrupt[index] = static_cast<char>(corrupt[index] ^ 0x5a);
    const Damage rows[] = {
        {"corrupt deflate data", longText, ZipWriter::Deflated,
         [&](ZipWriter::Entry &e) { e.payload = corrupt; }},
        {"truncated deflate data", longText, ZipWriter::Deflated,
         [&](ZipWriter::Entry &e) { e.payload = ZipWriter::deflate(longText).substr(0, 500); }},
        {"wrong CRC of a deflated entry", text, ZipWriter::Deflated,
         [&](ZipWriter::Entry &e) { e.crc = ZipWriter::crc32(text) ^ 0x80; }},
        {"flipped byte in a stored entry", randomBytes(4000, 8), ZipWriter::Stored,
         [&](ZipWriter::Entry &e) { e.payload = flipped; }},
        // The CRC of what a zero-filled buffer would hold, so only the size gives it away.
        {"inflates to fewer bytes than declared", text, ZipWriter::Deflated,
         [&](ZipWriter::Entry &e) {
             e.uncompressedSize = 4001;
             e.crc = ZipWriter::crc32(text + '\0');
         }},
        {"inflates to more bytes than declared", text, ZipWriter::Deflated,
         [&](ZipWriter::Entry &e) {
             e.uncompressedSize = 3999;
             e.crc = ZipWriter::crc32(text.substr(0, 3999));
         }},
        {"wrong local signature", "data", ZipWriter::Stored,
         [](ZipWriter::Entry &e) { e.localSignature = 0x04034b51; }},
        {"local header beyond the package", "data", ZipWriter::Stored,
         [](ZipWriter::Entry &e) { e.localHeaderOffset = 0xfffffff0; }},
        {"local extra field past the package", "data", ZipWriter::Stored,
         [](ZipWriter::Entry &e) { e.localExtraLength = 60000; }},
        {"stored entry longer than what is left", "short", ZipWriter::Stored,
         [](ZipWriter::Entry &e) { e.uncompressedSize = 100000; }},
        {"compressed size past the package", randomText(3000, 6), ZipWriter::Deflated,
         [](ZipWriter::Entry &e) { e.compressedSize = 1000000; }},
        {"huge size in a tiny stored entry", "tiny", ZipWriter::Stored,
         [](ZipWriter::Entry &e) { e.uncompressedSize = 0xffffffff; }},
        {"huge size in a tiny deflated entry", "tiny", ZipWriter::Deflated,
         [](ZipWriter::Entry &e) { e.uncompressedSize = 0xffffffff; }},
    };
    const std::string neighbour = "a healthy entry beside a broken one";
    for (const Damage &row : rows) {
        SCOPED_TRACE(row.label);
        ZipWriter writer;
        writer.add("before.txt", neighbour);
        row.apply(writer.add("damaged.bin", row.data, row.method));
        writer.add("after.txt", neighbour, ZipWriter::Stored);
        auto package = writer.mount();
        // Neither the failure nor a retry may harm the other entries.
        EXPECT_TRUE(package->exists("damaged.bin"));
        EXPECT_EQ(contentsOf(*package, "damaged.bin"), "<none>");
        EXPECT_EQ(contentsOf(*package, "after.txt"), neighbour);
        EXPECT_EQ(contentsOf(*package, "damaged.bin"), "<none>");
        EXPECT_EQ(contentsOf(*package, "before.txt"), neighbour);
    }
}

TEST(ZippedFileTest, AcceptsTheHighestRealCompressionRatio) {
    // A long run of one byte is the best case of deflate; it must stay within the ratio bound.
    const std::string zeros(8 * 1024 * 1024, '\0');
    ZipWriter writer;
    writer.add("zeros.bin", zeros, ZipWriter::Deflated);
    EXPECT_LT(ZipWriter::deflate(zeros, 9).size() * 1000, zeros.size());
    EXPECT_TRUE(contentsOf(*writer.mount(), "zeros.bin") == zeros);
}
