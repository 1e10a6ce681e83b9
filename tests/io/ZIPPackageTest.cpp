// Reading a ZIP package's directory: end record search, refusals, names, listings.
#include "io/ZIPPackage.h"
#include "io/Exception.h"
#include "io/OpenMode.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using Cobalt::IO::In;
using Cobalt::IO::ZIPPackage;
using Testing::ZipWriter;

namespace {

const std::string PackageName = "packages/update.zip";

// The package's directory error, or "" when it reads.
std::string directoryError(const std::vector<char> &bytes) {
    ZIPPackage package(PackageName, bytes);
    try {
        package.readDirectory();
    } catch (const Cobalt::Exception &error) {
        return error.what();
    }
    return "";
}

std::string directoryError(const ZipWriter &writer) { return directoryError(writer.vector()); }

std::unique_ptr<ZIPPackage> mounted(const ZipWriter &writer) {
    auto package = std::make_unique<ZIPPackage>(PackageName, writer.vector());
    package->readDirectory();
    return package;
}

// The whole contents of an entry, or "<none>" when it does not open.
std::string contentsOf(ZIPPackage &package, const std::string &name) {
    auto stream = package.open(name, In | Cobalt::IO::Binary);
    if (!stream)
        return "<none>";
    std::vector<char> bytes;
    stream->read(bytes, stream->getSize());
    return std::string(bytes.begin(), bytes.end());
}

ZipWriter oneFileArchive() {
    ZipWriter writer;
    writer.add("file.txt", "contents of the file");
    return writer;
}

} // namespace

class CommentLengthTest : public testing::TestWithParam<std::size_t> {};

TEST_P(CommentLengthTest, FindsTheEndRecordBehindTheComment) {
    ZipWriter writer = oneFileArchive();
    writer.setComment(std::string(GetParam(), 'c'));
    auto package = mounted(writer);
    EXPECT_EQ(contentsOf(*package, "file.txt"), "contents of the file");
}

INSTANTIATE_TEST_SUITE_P(WithinTheSearchWindow, CommentLengthTest,
                         testing::Values(0, 1, 2, 3, 4, 17, 18, 21, 22, 23, 43, 44, 45, 1000, 65494,
                                         65515, 65516));

class HiddenEndRecordTest : public testing::TestWithParam<std::size_t> {};

TEST_P(HiddenEndRecordTest, RefusesCommentLongerThanTheSearchWindow) {
    ZipWriter writer = oneFileArchive();
    writer.setComment(std::string(GetParam(), 'c'));
    EXPECT_EQ(directoryError(writer),
              "File " + PackageName + " : End of Central Directory not found");
}

INSTANTIATE_TEST_SUITE_P(BeyondTheSearchWindow, HiddenEndRecordTest,
                         testing::Values(65517, 65518, 65535));

TEST(ZIPPackageTest, TakesTheEndRecordNearestTheEndOfTheFile) {
    // The comment ends in a complete record of an empty archive, which hides the real one.
    ZipWriter empty;
    ZipWriter writer = oneFileArchive();
    writer.setComment(std::string(40, 'c') + empty.bytes());
    auto package = mounted(writer);
    EXPECT_FALSE(package->exists("file.txt"));
}

TEST(ZIPPackageTest, TakesTheSignatureNearestTheEndAsTheRecord) {
    // The last window holds a forged signature: it wins, and its record does not fit the file.
    ZipWriter writer = oneFileArchive();
    writer.setComment(std::string(30, 'c') + std::string("PK\x05\x06", 4) + "cc");
    EXPECT_EQ(directoryError(writer), "File " + PackageName + " : Unsupported format");
}

class TooSmallTest : public testing::TestWithParam<std::size_t> {};

TEST_P(TooSmallTest, RefusesFilesShorterThanAnEndRecord) {
    EXPECT_EQ(directoryError(std::vector<char>(GetParam(), 'P')),
              "File " + PackageName + " is too small");
}

INSTANTIATE_TEST_SUITE_P(ShortFiles, TooSmallTest, testing::Values(0, 1, 4, 21));

TEST(ZIPPackageTest, RefusesAFileWithoutAnEndRecord) {
    EXPECT_EQ(directoryError(std::vector<char>(22, 'P')),
              "File " + PackageName + " : End of Central Directory not found");
    EXPECT_EQ(directoryError(std::vector<char>(200000, '\0')),
              "File " + PackageName + " : End of Central Directory not found");
}

TEST(ZIPPackageTest, ReadsAnEmptyArchive) {
    auto package = mounted(ZipWriter());
    std::vector<std::string> names;
    package->listFiles("", names);
    EXPECT_TRUE(names.empty());
    EXPECT_FALSE(package->exists("file.txt"));
}

TEST(ZIPPackageTest, RefusesMultiDiskArchives) {
    ZipWriter onSecondDisk = oneFileArchive();
    onSecondDisk.endRecord().thisDisk = 1;
    ZipWriter directoryElsewhere = oneFileArchive();
    directoryElsewhere.endRecord().directoryDisk = 2;
    ZipWriter countsDiffer = oneFileArchive();
    countsDiffer.endRecord().entriesOnDisk = 0;
    const std::string expected = "File " + PackageName + " : Unsupported format";
    EXPECT_EQ(directoryError(onSecondDisk), expected);
    EXPECT_EQ(directoryError(directoryElsewhere), expected);
    EXPECT_EQ(directoryError(countsDiffer), expected);
}

TEST(ZIPPackageTest, RefusesADirectoryWithFewerEntriesThanTheEndRecordCounts) {
    ZipWriter writer = oneFileArchive();
    writer.endRecord().entriesOnDisk = 2;
    writer.endRecord().totalEntries = 2;
    EXPECT_EQ(directoryError(writer), "File " + PackageName + " : Unable to read entry");
}

TEST(ZIPPackageTest, RefusesADirectoryOffsetBeyondTheFile) {
    ZipWriter writer = oneFileArchive();
    writer.endRecord().directoryOffset = 0x7fffff00;
    EXPECT_EQ(directoryError(writer), "File " + PackageName + " : Unable to read entry");
}

TEST(ZIPPackageTest, RefusesANameRunningPastTheEnd) {
    ZipWriter writer;
    writer.add("short", "x").nameLength = 5000;
    EXPECT_EQ(directoryError(writer), "File " + PackageName + " : Unable to read entry");
}

class UnsupportedMethodTest : public testing::TestWithParam<std::uint16_t> {};

TEST_P(UnsupportedMethodTest, RefusesThePackageEvenForAnUnusedEntry) {
    ZipWriter writer = oneFileArchive();
    writer.add("never-read.bin", "data", ZipWriter::Stored).methodField = GetParam();
    EXPECT_EQ(directoryError(writer), "File " + PackageName + " : Unsupported compression format");
}

INSTANTIATE_TEST_SUITE_P(OtherMethods, UnsupportedMethodTest,
                         testing::Values(1, 6, 9, 12, 14, 93, 99, 0xffff));

class InvalidNameTest : public testing::TestWithParam<std::size_t> {};

TEST_P(InvalidNameTest, RefusesEmptyAndOverlongNames) {
    ZipWriter writer = oneFileArchive();
    writer.add(std::string(GetParam(), 'n'), "data");
    EXPECT_EQ(directoryError(writer), "File " + PackageName + " : Invalid entry filename");
}

INSTANTIATE_TEST_SUITE_P(BadLengths, InvalidNameTest, testing::Values(0, 32768, 65535));

TEST(ZIPPackageTest, AcceptsTheLongestName) {
    const std::string longest(32767, 'n');
    ZipWriter writer;
    writer.add(longest, "long named");
    auto package = mounted(writer);
    EXPECT_EQ(contentsOf(*package, longest), "long named");
}

TEST(ZIPPackageTest, ChecksTheMethodBeforeTheName) {
    ZipWriter writer;
    writer.add("", "data").methodField = 12;
    EXPECT_EQ(directoryError(writer), "File " + PackageName + " : Unsupported compression format");
}

TEST(ZIPPackageTest, RefusesAStreamThatDoesNotOpen) {
    ZIPPackage noStream(PackageName, std::unique_ptr<Cobalt::IO::Stream>());
    try {
        noStream.readDirectory();
        FAIL() << "read a package without a stream";
    } catch (const Cobalt::Exception &error) {
        EXPECT_STREQ(error.what(), "File stream not open");
    }
}

TEST(ZIPPackageTest, SkipsExtraFieldsAndFileComments) {
    ZipWriter writer;
    ZipWriter::Entry &first = writer.add("first.txt", "first");
    first.centralExtra = std::string(300, 'e');
    first.fileComment = "a comment on the first file";
    first.localExtra = std::string(7, 'l');
    writer.add("second.txt", "second").fileComment = std::string(1000, 'k');
    auto package = mounted(writer);
    EXPECT_EQ(contentsOf(*package, "first.txt"), "first");
    EXPECT_EQ(contentsOf(*package, "second.txt"), "second");
}

TEST(ZIPPackageTest, FolderEntriesAreNeitherFilesNorListed) {
    ZipWriter writer;
    writer.addFolder("art/");
    writer.addFolder("sound\\");
    writer.add("art/logo.bmp", "logo");
    writer.add("sound\\click.wav", "click");
    auto package = mounted(writer);
    EXPECT_FALSE(package->exists("art/"));
    EXPECT_FALSE(package->exists("sound\\"));
    EXPECT_FALSE(package->open("art/", In));
    EXPECT_TRUE(package->exists("art/logo.bmp"));
    EXPECT_TRUE(package->exists("sound\\click.wav"));
    std::vector<std::string> rootFiles;
    package->listFiles("", rootFiles);
    EXPECT_TRUE(rootFiles.empty());
}

TEST(ZIPPackageTest, ServesTheFirstOfTwoEntriesWithTheSameName) {
    ZipWriter writer;
    writer.add("config.xml", "first copy");
    writer.add("config.xml", "second copy", ZipWriter::Stored);
    auto package = mounted(writer);
    EXPECT_EQ(contentsOf(*package, "config.xml"), "first copy");
    std::vector<std::string> names;
    package->listFiles("", names);
    EXPECT_EQ(names, std::vector<std::string>{"config.xml"});
}

TEST(ZIPPackageTest, MatchesNamesExactly) {
    ZipWriter writer;
    writer.add("Data/Maps/Town.map", "town");
    auto package = mounted(writer);
    EXPECT_TRUE(package->exists("Data/Maps/Town.map"));
    for (const std::string near :
         {"data/maps/town.map", "DATA/MAPS/TOWN.MAP", "Data\\Maps\\Town.map", "Data/Maps\\Town.map",
          "/Data/Maps/Town.map", "Data/Maps/Town.map ", "Data/Maps/Town", "Town.map"}) {
        EXPECT_FALSE(package->exists(near)) << near;
        EXPECT_FALSE(package->open(near, In)) << near;
    }
}

TEST(ZIPPackageTest, KeepsBackslashNamesAsStored) {
    ZipWriter writer;
    writer.add("Data\\Maps\\Town.map", "town");
    auto package = mounted(writer);
    EXPECT_EQ(contentsOf(*package, "Data\\Maps\\Town.map"), "town");
    EXPECT_FALSE(package->exists("Data/Maps/Town.map"));
}

class ListingTest : public testing::Test {
protected:
    void SetUp() override {
        ZipWriter writer;
        for (const char *name :
             {"readme.txt", "Brightwell.exe", "data/maps/town.map", "data/maps/cave.map",
              "data/items.xml", "data/sounds/click.wav", "data/sounds/deep/echo.wav",
              "docs/manual.txt", "docs\\legacy.txt", "drive:volume.txt", "zeta/"})
            writer.add(name, name);
        package = mounted(writer);
    }

    std::vector<std::string> files(const std::string &folder) {
        std::vector<std::string> names{"kept"};
        package->listFiles(folder, names);
        return names;
    }

    std::vector<std::string> folders(const std::string &folder) {
        std::vector<std::string> names{"kept"};
        package->listDirectories(folder, names);
        return names;
    }

    std::unique_ptr<ZIPPackage> package;
};

TEST_F(ListingTest, ListsTheFilesDirectlyInAFolderInNameOrder) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(files(""), (Names{"kept", "Brightwell.exe", "readme.txt"}));
    EXPECT_EQ(files("data"), (Names{"kept", "items.xml"}));
    EXPECT_EQ(files("data/"), (Names{"kept", "items.xml"}));
    EXPECT_EQ(files("data\\"), (Names{"kept", "items.xml"}));
    EXPECT_EQ(files("data/maps"), (Names{"kept", "cave.map", "town.map"}));
    // Key order puts '/' before '\\'.
    EXPECT_EQ(files("docs"), (Names{"kept", "manual.txt", "legacy.txt"}));
    EXPECT_EQ(files("drive"), (Names{"kept", "volume.txt"}));
    EXPECT_EQ(files("Data"), (Names{"kept"}));
    EXPECT_EQ(files("zeta"), (Names{"kept"}));
}

TEST_F(ListingTest, ListsImmediateSubFoldersOnceInAscendingOrder) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(folders(""), (Names{"kept", "data", "docs"}));
    EXPECT_EQ(folders("data"), (Names{"kept", "maps", "sounds"}));
    EXPECT_EQ(folders("data/"), (Names{"kept", "maps", "sounds"}));
    EXPECT_EQ(folders("data/sounds"), (Names{"kept", "deep"}));
    EXPECT_EQ(folders("data/maps"), (Names{"kept"}));
    EXPECT_EQ(folders("dat"), (Names{"kept"}));
}
