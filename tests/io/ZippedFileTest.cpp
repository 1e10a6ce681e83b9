// Loading ZIP entries: byte-exact contents, and damaged entries that must not open.
#include "io/ZippedFile.h"
#include "io/OpenMode.h"
#include "io/ZIPPackage.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <tuple>

using Testing::contentsOf;
using Testing::ZipWriter;
using Entry = ZipWriter::Entry;

namespace {

// Words drawn at random compress well; random bytes do not compress at all.
std::string randomData(std::size_t size, unsigned seed, bool text) {
    static const char *const words[] = {"launcher ", "update ", "package ", "file\n"};
    std::mt19937 generator(seed);
    std::string data;
    while (data.size() < size)
        data += text ? words[generator() % 4] : std::string(1, static_cast<char>(generator()));
    data.resize(size);
    return data;
}

class RoundTripTest
    : public testing::TestWithParam<std::tuple<ZipWriter::Method, std::size_t, bool>> {};

TEST_P(RoundTripTest, ReadsTheEntryByteForByte) {
    const auto [method, size, text] = GetParam();
    const std::string data = randomData(size, 5, text);
    ZipWriter writer;
    writer.add("first.dat", "before");
    writer.add("entry.dat", data, method);
    const auto package = writer.mount();
    auto stream = package->open("entry.dat", Cobalt::IO::In | Cobalt::IO::Binary);
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->getSize(), size);
    std::vector<char> bytes;
    EXPECT_EQ(stream->read(bytes, stream->getSize()), size != 0);
    EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) == data);
}

INSTANTIATE_TEST_SUITE_P(StoredAndDeflated, RoundTripTest,
                         testing::Combine(testing::Values(ZipWriter::Stored, ZipWriter::Deflated),
                                          testing::Values(0, 1, 3 * 1024 * 1024 + 7),
                                          testing::Bool()));

TEST(ZippedFileTest, ADamagedEntryDoesNotOpenAndLeavesItsNeighbours) {
    const std::string text = randomData(20000, 4, true);
    std::string corrupt = ZipWriter::deflate(text);
    for (std::size_t index = 10; index < corrupt.size(); index += 7)
        corrupt[index] = static_cast<char>(corrupt[index] ^ 0x5a);
    const std::tuple<const char *, ZipWriter::Method, std::function<void(Entry &)>> rows[] = {
        {"corrupt deflate data", ZipWriter::Deflated, [&](Entry &e) { e.payload = corrupt; }},
        {"wrong CRC, deflated", ZipWriter::Deflated, [](Entry &e) { e.crc = *e.crc ^ 0x80; }},
        // The CRC of what a zero-filled buffer would hold, so only the size gives it away.
        {"inflates to fewer bytes than declared", ZipWriter::Deflated,
         [&](Entry &e) {
             e.uncompressedSize = 20001;
             e.crc = ZipWriter::crc32(text + '\0');
         }},
        {"inflates to more bytes than declared", ZipWriter::Deflated,
         [&](Entry &e) {
             e.uncompressedSize = 19999;
             e.crc = ZipWriter::crc32(text.substr(0, 19999));
         }},
        {"local extra field past the package", ZipWriter::Stored,
         [](Entry &e) { e.localExtraLength = 60000; }},
        {"stored size past the package", ZipWriter::Stored,
         [](Entry &e) { e.uncompressedSize = e.compressedSize = 100000; }},
        {"huge size, stored", ZipWriter::Stored, [](Entry &e) { e.uncompressedSize = 0xffffffff; }},
    };
    const std::string neighbour = "a healthy entry beside a broken one";
    for (const auto &[label, method, damage] : rows) {
        SCOPED_TRACE(label);
        // The damaged entry comes last: declared sizes that run into a following entry already
        // keep the whole package from mounting.
        ZipWriter writer;
        writer.add("before.txt", neighbour);
        writer.add("after.txt", neighbour, ZipWriter::Stored);
        Entry &entry = writer.add("damaged.bin", text, method);
        entry.crc = ZipWriter::crc32(text);
        damage(entry);
        auto package = writer.mount();
        // Neither the failure nor a retry may harm the other entries.
        EXPECT_TRUE(package->exists("damaged.bin"));
        EXPECT_EQ(contentsOf(*package, "damaged.bin"), "<none>");
        EXPECT_EQ(contentsOf(*package, "after.txt"), neighbour);
        EXPECT_EQ(contentsOf(*package, "damaged.bin"), "<none>");
        EXPECT_EQ(contentsOf(*package, "before.txt"), neighbour);
    }
}

// An entry keeps what it needs (the loaded contents and its own copy of the entry record), and is
// read front to back only.
TEST(ZippedFileTest, AnOpenedEntryOutlivesItsPackageAndNeitherSeeksNorOpensLater) {
    const std::string text = randomData(5000, 9, true);
    ZipWriter writer;
    writer.add("kept.txt", text);
    auto package = writer.mount();
    auto kept = package->open("kept.txt", Cobalt::IO::In | Cobalt::IO::Binary);
    auto writeOnly = package->open("kept.txt", Cobalt::IO::Out);
    ASSERT_TRUE(kept && writeOnly);
    package.reset();
    EXPECT_EQ(kept->getSize(), 5000u);
    EXPECT_TRUE(kept->open());
    char first[4] = {};
    std::vector<char> rest;
    ASSERT_TRUE(kept->read(first, 3));
    ASSERT_TRUE(kept->read(rest, kept->getSize() - 3));
    EXPECT_TRUE(first + std::string(rest.begin(), rest.end()) == text);
    kept->seekg(0, 0);
    EXPECT_FALSE(kept->isOpen()) << "a failed seek marks the stream failed";
    // Never loaded, and nothing left to load from.
    EXPECT_FALSE(writeOnly->open());
    EXPECT_EQ(writeOnly->getSize(), 0u);
}

} // namespace
