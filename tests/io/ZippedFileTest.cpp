// Loading ZIP entries: byte-exact contents, and damaged entries that must not open.
#include "io/ZippedFile.h"
#include "io/OpenMode.h"
#include "io/ZIPPackage.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using Cobalt::IO::Binary;
using Cobalt::IO::In;
using Cobalt::IO::Out;
using Cobalt::IO::Trunc;
using Cobalt::IO::ZIPPackage;
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

std::unique_ptr<ZIPPackage> mounted(const ZipWriter &writer) {
    auto package = std::make_unique<ZIPPackage>("test.zip", writer.vector());
    package->readDirectory();
    return package;
}

// The whole contents of an entry, or "<none>" when it does not open.
std::string contentsOf(ZIPPackage &package, const std::string &name) {
    auto stream = package.open(name, In | Binary);
    if (!stream)
        return "<none>";
    std::vector<char> bytes;
    stream->read(bytes, stream->getSize());
    return std::string(bytes.begin(), bytes.end());
}

const std::string Neighbour = "a healthy entry beside a broken one";

// An archive with a healthy entry before and after the one a test breaks.
class DamagedEntryTest : public testing::Test {
protected:
    ZipWriter::Entry &damaged(const std::string &data, ZipWriter::Method method) {
        writer.add("before.txt", Neighbour);
        ZipWriter::Entry &entry = writer.add("damaged.bin", data, method);
        writer.add("after.txt", Neighbour, ZipWriter::Stored);
        return entry;
    }

    // The damaged entry does not open, and neither its failure nor a retry harms the others.
    void expectOnlyTheDamagedEntryFails() {
        auto package = mounted(writer);
        EXPECT_TRUE(package->exists("damaged.bin"));
        EXPECT_EQ(contentsOf(*package, "damaged.bin"), "<none>");
        EXPECT_EQ(contentsOf(*package, "after.txt"), Neighbour);
        EXPECT_EQ(contentsOf(*package, "damaged.bin"), "<none>");
        EXPECT_EQ(contentsOf(*package, "before.txt"), Neighbour);
    }

    ZipWriter writer;
};

} // namespace

class RoundTripTest
    : public testing::TestWithParam<std::tuple<ZipWriter::Method, std::size_t, bool>> {};

TEST_P(RoundTripTest, ReadsTheEntryByteForByte) {
    const auto [method, size, text] = GetParam();
    const std::string data = text ? randomText(size, 5) : randomBytes(size, 9);
    ZipWriter writer;
    writer.add("first.dat", "before");
    writer.add("entry.dat", data, method);
    auto package = mounted(writer);
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

TEST(ZippedFileTest, ReadsSequentiallyInPieces) {
    const std::string data = randomText(10000, 3);
    ZipWriter writer;
    writer.add("pieces.txt", data);
    auto package = mounted(writer);
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
}

TEST(ZippedFileTest, ReportsItsSizeButCannotSeek) {
    ZipWriter writer;
    writer.add("sized.txt", "0123456789");
    auto package = mounted(writer);
    auto stream = package->open("sized.txt", In);
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->getSize(), 10u);
    char first[4];
    ASSERT_TRUE(stream->read(first, 4));
    EXPECT_EQ(std::string(first, 4), "0123");
    EXPECT_EQ(stream->tellg(), std::streampos(-1)) << "positions are not reported";
    stream->seekg(0, 0);
    EXPECT_FALSE(stream->isOpen());
    EXPECT_EQ(stream->getSize(), 10u);
}

TEST(ZippedFileTest, TwoOpenEntriesOfOnePackageReadIndependently) {
    ZipWriter writer;
    writer.add("one.txt", randomText(5000, 1));
    writer.add("two.txt", randomText(7000, 2), ZipWriter::Stored);
    auto package = mounted(writer);
    auto one = package->open("one.txt", In);
    auto two = package->open("two.txt", In);
    auto oneAgain = package->open("one.txt", In);
    ASSERT_TRUE(one && two && oneAgain);
    char a[100], b[100], c[100];
    ASSERT_TRUE(one->read(a, 100));
    ASSERT_TRUE(two->read(b, 100));
    ASSERT_TRUE(oneAgain->read(c, 100));
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
    auto package = mounted(writer);
    for (const int mode : {int{Out}, Out | Trunc}) {
        auto stream = package->open("damaged.txt", mode);
        ASSERT_TRUE(stream) << mode;
        EXPECT_FALSE(stream->isOpen()) << mode;
    }
    EXPECT_FALSE(package->open("damaged.txt", In | Out));
    EXPECT_FALSE(package->open("damaged.txt", Out | Binary));
}

TEST_F(DamagedEntryTest, CorruptDeflateDataDoesNotOpen) {
    std::string payload = ZipWriter::deflate(randomText(20000, 4));
    for (std::size_t index = 10; index < payload.size(); index += 7)
        payload[index] = static_cast<char>(payload[index] ^ 0x5a);
    ZipWriter::Entry &entry = damaged(randomText(20000, 4), ZipWriter::Deflated);
    entry.payload = payload;
    expectOnlyTheDamagedEntryFails();
}

TEST_F(DamagedEntryTest, TruncatedDeflateDataDoesNotOpen) {
    const std::string data = randomText(20000, 4);
    damaged(data, ZipWriter::Deflated).payload = ZipWriter::deflate(data).substr(0, 500);
    expectOnlyTheDamagedEntryFails();
}

TEST_F(DamagedEntryTest, WrongChecksumOfADeflatedEntryDoesNotOpen) {
    const std::string data = randomText(4000, 8);
    damaged(data, ZipWriter::Deflated).crc = ZipWriter::crc32(data) ^ 0x80;
    expectOnlyTheDamagedEntryFails();
}

TEST_F(DamagedEntryTest, FlippedByteInAStoredEntryDoesNotOpen) {
    std::string data = randomBytes(4000, 8);
    ZipWriter::Entry &entry = damaged(data, ZipWriter::Stored);
    data[1234] = static_cast<char>(data[1234] ^ 1);
    entry.payload = data;
    expectOnlyTheDamagedEntryFails();
}

TEST_F(DamagedEntryTest, InflatingToFewerBytesThanDeclaredDoesNotOpen) {
    const std::string data = randomText(4000, 8);
    ZipWriter::Entry &entry = damaged(data, ZipWriter::Deflated);
    entry.uncompressedSize = 4001;
    // The checksum of what a zero-filled buffer would hold, so only the size gives it away.
    entry.crc = ZipWriter::crc32(data + '\0');
    expectOnlyTheDamagedEntryFails();
}

TEST_F(DamagedEntryTest, InflatingToMoreBytesThanDeclaredDoesNotOpen) {
    const std::string data = randomText(4000, 8);
    ZipWriter::Entry &entry = damaged(data, ZipWriter::Deflated);
    entry.uncompressedSize = 3999;
    entry.crc = ZipWriter::crc32(data.substr(0, 3999));
    expectOnlyTheDamagedEntryFails();
}

TEST_F(DamagedEntryTest, WrongLocalSignatureDoesNotOpen) {
    damaged("data", ZipWriter::Stored).localSignature = 0x04034b51;
    expectOnlyTheDamagedEntryFails();
}

TEST_F(DamagedEntryTest, LocalHeaderBeyondThePackageDoesNotOpen) {
    damaged("data", ZipWriter::Stored).localHeaderOffset = 0xfffffff0;
    expectOnlyTheDamagedEntryFails();
}

TEST_F(DamagedEntryTest, LocalExtraFieldRunningPastThePackageDoesNotOpen) {
    damaged("data", ZipWriter::Stored).localExtraLength = 60000;
    expectOnlyTheDamagedEntryFails();
}

TEST_F(DamagedEntryTest, StoredEntryLongerThanWhatIsLeftDoesNotOpen) {
    damaged("short", ZipWriter::Stored).uncompressedSize = 100000;
    expectOnlyTheDamagedEntryFails();
}

TEST_F(DamagedEntryTest, CompressedSizeRunningPastThePackageDoesNotOpen) {
    damaged(randomText(3000, 6), ZipWriter::Deflated).compressedSize = 1000000;
    expectOnlyTheDamagedEntryFails();
}

class ImpossibleSizeTest : public testing::TestWithParam<ZipWriter::Method> {};

TEST_P(ImpossibleSizeTest, HugeDeclaredSizeInATinyPackageDoesNotOpen) {
    ZipWriter writer;
    ZipWriter::Entry &entry = writer.add("huge.bin", "tiny", GetParam());
    entry.uncompressedSize = 0xffffffff;
    writer.add("after.txt", Neighbour);
    auto package = mounted(writer);
    EXPECT_EQ(contentsOf(*package, "huge.bin"), "<none>");
    EXPECT_EQ(contentsOf(*package, "after.txt"), Neighbour);
}

INSTANTIATE_TEST_SUITE_P(StoredAndDeflated, ImpossibleSizeTest,
                         testing::Values(ZipWriter::Stored, ZipWriter::Deflated));

TEST(ZippedFileTest, AcceptsTheHighestRealCompressionRatio) {
    // A long run of one byte is the best case of deflate; it must stay within the ratio bound.
    const std::string zeros(8 * 1024 * 1024, '\0');
    ZipWriter writer;
    writer.add("zeros.bin", zeros, ZipWriter::Deflated);
    EXPECT_LT(ZipWriter::deflate(zeros, 9).size() * 1000, zeros.size());
    auto package = mounted(writer);
    EXPECT_TRUE(contentsOf(*package, "zeros.bin") == zeros);
}
