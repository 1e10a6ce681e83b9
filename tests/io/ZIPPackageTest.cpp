// Reading a ZIP package's directory: end record search, refusals, names, listings.
#include "io/ZIPPackage.h"
#include "io/MemoryStream.h"
#include "io/OpenMode.h"
#include "tests/support/FailureOf.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <functional>

using Testing::contentsOf;
using Testing::ZipWriter;
using Names = std::vector<std::string>;
using Entry = ZipWriter::Entry;

namespace {

const std::string Prefix = "File test.zip";

// The error of reading a one-file archive after damage, or "" when it reads.
std::string errorAfter(const std::function<void(ZipWriter &)> &damage) {
    ZipWriter writer;
    writer.add("file.txt", "contents of the file");
    damage(writer);
    return Testing::failureOf([&] { writer.mount(); });
}

TEST(ZIPPackageTest, FindsTheEndRecordOnlyWithinTheSearchWindow) {
    for (const std::size_t length : {0, 1, 2, 3, 65516}) {
        ZipWriter writer;
        writer.add("file.txt", "contents of the file");
        writer.setComment(std::string(length, 'c'));
        EXPECT_EQ(contentsOf(*writer.mount(), "file.txt"), "contents of the file") << length;
    }
    for (const std::size_t length : {65517, 65535})
        EXPECT_EQ(errorAfter([&](ZipWriter &w) { w.setComment(std::string(length, 'c')); }),
                  Prefix + " : End of Central Directory not found")
            << length;
    const auto refusal = [](std::unique_ptr<Cobalt::IO::Stream> stream) {
        return Testing::failureOf(
            [&] { Cobalt::IO::ZIPPackage("test.zip", std::move(stream)).readDirectory(); });
    };
    EXPECT_EQ(refusal(std::make_unique<Cobalt::IO::MemoryStream>(std::vector<char>(21, 'P'))),
              Prefix + " is too small");
    EXPECT_EQ(refusal(nullptr), "File stream not open");
}

// Each damage to a one-file archive, and the refusal it meets. Records without their signatures
// are not entries; entries sharing bytes are a decompression bomb (one deflate stream read once per
// entry), which no archiving tool writes.
TEST(ZIPPackageTest, RefusesEveryDamagedDirectoryWithItsReason) {
    const std::string format = Prefix + " : Unsupported format";
    const std::string entry = Prefix + " : Unable to read entry";
    const std::string method = Prefix + " : Unsupported compression format";
    const std::string name = Prefix + " : Invalid entry filename";
    using Damage = std::function<void(ZipWriter &)>;
    const std::pair<std::string, Damage> rows[] = {
        {format, [](ZipWriter &w) { w.endRecord().thisDisk = 1; }},
        {format, [](ZipWriter &w) { w.endRecord().entriesOnDisk = 0; }},
        // A signature nearest the end wins, but one in the last 21 bytes cannot start a record.
        {format, [](ZipWriter &w) { w.setComment(std::string(30, 'c') + "PK\x05\x06" + "cc"); }},
        {entry, [](ZipWriter &w) { w.endRecord().entriesOnDisk = w.endRecord().totalEntries = 2; }},
        {entry, [](ZipWriter &w) { w.endRecord().directoryOffset = 0x7fffff00; }},
        {entry, [](ZipWriter &w) { w.add("short", "x").nameLength = 5000; }},
        {method, [](ZipWriter &w) { w.add("unused.bin", "data").methodField = 12; }},
        {method, [](ZipWriter &w) { w.add("unused.bin", "data").methodField = 99; }},
        {name, [](ZipWriter &w) { w.add("", "data"); }},
        {name, [](ZipWriter &w) { w.add(std::string(32768, 'n'), "data"); }},
        {entry, [](ZipWriter &w) { w.add("b.txt", "b").centralSignature = 0x02014b51; }},
        {entry, [](ZipWriter &w) { w.add("b.txt", "b").localSignature = 0x06054b50; }},
        // Two records of one local header, and stored data that runs into the next header.
        {entry, [](ZipWriter &w) { w.add("b.txt", "b").localHeaderOffset = 0; }},
        {entry,
         [](ZipWriter &w) {
             w.add("b.txt", "b");
             w.add("c.txt", "c", ZipWriter::Stored).localHeaderOffset = 0;
         }},
        {entry, [](ZipWriter &w) {
             Entry &grown = w.add("b.txt", "bbbb", ZipWriter::Stored);
             grown.compressedSize = grown.uncompressedSize = 5;
             grown.crc = ZipWriter::crc32("bbbbP");
             w.add("c.txt", "c");
         }}};
    for (std::size_t row = 0; row < std::size(rows); ++row)
        EXPECT_EQ(errorAfter(rows[row].second), rows[row].first) << "row " << row;
}

// The longest name there is, and adjacent entries that touch without overlapping.
TEST(ZIPPackageTest, ReadsTheLongestNameAndEntriesThatTouch) {
    ZipWriter writer;
    writer.add(std::string(32767, 'n'), "long named");
    writer.add("a.txt", "a", ZipWriter::Stored);
    writer.add("b.txt", "", ZipWriter::Stored);
    writer.add("c.txt", "c", ZipWriter::Stored);
    const auto package = writer.mount();
    EXPECT_EQ(contentsOf(*package, std::string(32767, 'n')), "long named");
    EXPECT_EQ(contentsOf(*package, "c.txt"), "c");
}

// Read in pieces, the directory is complete only with its last piece, and an overlap between the
// first entry and the last is still refused, by the piece that reaches it.
TEST(ZIPPackageTest, ReadsTheDirectoryInPiecesOfAGivenNumberOfEntries) {
    for (const bool overlapping : {false, true}) {
        ZipWriter writer;
        for (const char *name : {"a.txt", "b.txt", "c.txt", "d.txt"})
            writer.add(name, name, ZipWriter::Stored);
        writer.add("e.txt", "e", ZipWriter::Stored).localHeaderOffset =
            overlapping ? 0 : std::optional<std::uint32_t>();
        Cobalt::IO::ZIPPackage package("test.zip", writer.vector());
        EXPECT_FALSE(package.readDirectoryPart(2));
        EXPECT_FALSE(package.readDirectoryPart(2));
        EXPECT_FALSE(package.exists("e.txt"));
        if (overlapping) {
            EXPECT_EQ(Testing::failureOf([&] { package.readDirectoryPart(2); }),
                      Prefix + " : Unable to read entry");
            continue;
        }
        EXPECT_TRUE(package.readDirectoryPart(2));
        EXPECT_EQ(contentsOf(package, "a.txt"), "a.txt");
        EXPECT_EQ(contentsOf(package, "e.txt"), "e");
    }
}

// Folder entries are neither files nor listed, and the first of two entries of one name wins.
TEST(ZIPPackageTest, ListsTheFilesAndSubFoldersDirectlyInAFolder) {
    ZipWriter writer;
    writer.addFolder("art/");
    for (const char *name : {"readme.txt", "Brightwell.exe", "data/maps/town.map", "data/items.xml",
                             "data/sounds/deep/echo.wav", "docs/manual.txt", "docs\\legacy.txt",
                             "zeta/", "art/logo.bmp", "config.xml"})
        writer.add(name, name);
    writer.add("config.xml", "second copy", ZipWriter::Stored);
    auto package = writer.mount();
    EXPECT_FALSE(package->exists("art/"));
    EXPECT_FALSE(package->open("art/", Cobalt::IO::In));
    EXPECT_TRUE(package->exists("art/logo.bmp"));
    EXPECT_EQ(contentsOf(*package, "config.xml"), "config.xml");
    const auto list = [&](const std::string &folder, bool folders) {
        Names names{"kept"};
        folders ? package->listDirectories(folder, names) : package->listFiles(folder, names);
        return names;
    };
    EXPECT_EQ(list("", false), (Names{"kept", "Brightwell.exe", "config.xml", "readme.txt"}));
    EXPECT_EQ(list("data/", false), (Names{"kept", "items.xml"}));
    EXPECT_EQ(list("data\\", false), (Names{"kept", "items.xml"}));
    // Key order puts '/' before '\\'.
    EXPECT_EQ(list("docs", false), (Names{"kept", "manual.txt", "legacy.txt"}));
    EXPECT_EQ(list("", true), (Names{"kept", "art", "data", "docs"}));
    EXPECT_EQ(list("data", true), (Names{"kept", "maps", "sounds"}));
}

} // namespace
