// Reading ZIP entries in pieces, as the update installs large files.
#include "io/ZIPEntryReader.h"
#include "io/ZIPPackage.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

using Testing::ZipWriter;

namespace {

// Every piece size gives the same bytes; whether they are whole and intact is known only with
// the last piece, so nothing may be trusted before.
TEST(ZIPEntryReaderTest, AnyPieceSizeGivesTheBytesAndTheVerdictComesWithTheLastPiece) {
    std::string data;
    for (int i = 0; data.size() < 100000; ++i)
        data += "piece " + std::to_string(i * 7919 % 1000) + "\n";
    for (const auto method : {ZipWriter::Stored, ZipWriter::Deflated}) {
        for (const bool intact : {true, false}) {
            ZipWriter writer;
            writer.add("entry.dat", data, method).crc = ZipWriter::crc32(data) ^ (intact ? 0 : 1);
            const auto package = writer.mount();
            for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{70000}}) {
                const auto reader = package->openReader("entry.dat");
                std::string read(piece, '\0');
                std::string bytes;
                while (const std::size_t count = reader->read(read.data(), piece)) {
                    bytes.append(read.data(), count);
                    ASSERT_EQ(reader->finished(), intact && bytes.size() == data.size());
                }
                EXPECT_TRUE(bytes == data) << method << ' ' << piece;
                EXPECT_EQ(reader->read(read.data(), piece), 0u);
                EXPECT_EQ(reader->finished(), intact) << method << ' ' << piece;
            }
        }
    }
    ZipWriter writer;
    writer.add("entry.dat", data);
    auto package = writer.mount();
    const auto orphan = package->openReader("entry.dat");
    EXPECT_EQ(package->openReader("missing.dat"), nullptr);
    package.reset();
    char byte;
    EXPECT_EQ(orphan->read(&byte, 1), 0u) << "the package is gone";
    EXPECT_FALSE(orphan->finished());
}

} // namespace
