// Reading a ZIP package's directory: end record search, refusals, names, listings.
#include "io/ZIPPackage.h"
#include "io/Exception.h"
#include "io/FileStream.h"
#include "io/OpenMode.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using Cobalt::IO::In;
using Cobalt::IO::ZIPPackage;
using Testing::contentsOf;
using Testing::ZipWriter;
using Names = std::vector<std::string>;

namespace {

const std::string PackageName = "packages/update.zip";

// The error of reading the package's directory, or "" when it reads.
std::string directoryError(ZIPPackage &package) {
    try {
        package.readDirectory();
    } catch (const Cobalt::Exception &error) {
        return error.what();
    }
    return "";
}

std::string directoryError(const std::vector<char> &bytes) {
    ZIPPackage package(PackageName, bytes);
    return directoryError(package);
}

// The error of reading a one-file archive after damage, or "" when it reads.
std::string errorAfter(const std::function<void(ZipWriter &)> &damage) {
    ZipWriter writer;
    writer.add("file.txt", "contents of the file");
    damage(writer);
    return directoryError(writer.vector());
}

} // namespace

TEST(ZIPPackageTest, FindsTheEndRecordOnlyWithinTheSearchWindow) {
    for (const std::size_t length :
         {0, 1, 2, 3, 4, 17, 18, 21, 22, 23, 43, 44, 45, 1000, 65494, 65515, 65516}) {
        ZipWriter writer;
        writer.add("file.txt", "contents of the file");
        writer.setComment(std::string(length, 'c'));
        EXPECT_EQ(contentsOf(*writer.mount(), "file.txt"), "contents of the file") << length;
    }
    for (const std::size_t length : {65517, 65518, 65535})
        EXPECT_EQ(errorAfter([&](ZipWriter &w) { w.setComment(std::string(length, 'c')); }),
                  "File " + PackageName + " : End of Central Directory not found")
            << length;
}

TEST(ZIPPackageTest, TakesTheEndRecordNearestTheEndOfTheFile) {
    // The comment ends in a complete record of an empty archive, which hides the real one.
    ZipWriter writer;
    writer.add("file.txt", "contents of the file");
    writer.setComment(std::string(40, 'c') + ZipWriter().bytes());
    EXPECT_FALSE(writer.mount()->exists("file.txt"));
    // A forged signature nearest the end wins too, and its record does not fit the file.
    EXPECT_EQ(errorAfter([](ZipWriter &w) {
                  w.setComment(std::string(30, 'c') + "PK\x05\x06"
                                                      "cc");
              }),
              "File " + PackageName + " : Unsupported format");
}

TEST(ZIPPackageTest, RefusesMultiDiskArchivesAndEntriesBeyondTheDirectory) {
    const std::string format = "File " + PackageName + " : Unsupported format";
    EXPECT_EQ(errorAfter([](ZipWriter &w) { w.endRecord().thisDisk = 1; }), format);
    EXPECT_EQ(errorAfter([](ZipWriter &w) { w.endRecord().directoryDisk = 2; }), format);
    EXPECT_EQ(errorAfter([](ZipWriter &w) { w.endRecord().entriesOnDisk = 0; }), format);
    const std::string entry = "File " + PackageName + " : Unable to read entry";
    EXPECT_EQ(errorAfter([](ZipWriter &w) {
                  w.endRecord().entriesOnDisk = 2;
                  w.endRecord().totalEntries = 2;
              }),
              entry);
    EXPECT_EQ(errorAfter([](ZipWriter &w) { w.endRecord().directoryOffset = 0x7fffff00; }), entry);
    EXPECT_EQ(errorAfter([](ZipWriter &w) { w.add("short", "x").nameLength = 5000; }), entry);
}

TEST(ZIPPackageTest, RefusesOtherMethodsAndBadNamesInAnyEntry) {
    const std::string method = "File " + PackageName + " : Unsupported compression format";
    for (const std::uint16_t id : {1, 6, 9, 12, 14, 93, 99, 0xffff})
        EXPECT_EQ(errorAfter([&](ZipWriter &w) { w.add("unused.bin", "data").methodField = id; }),
                  method)
            << id;
    for (const std::size_t length : {0, 32768, 65535})
        EXPECT_EQ(errorAfter([&](ZipWriter &w) { w.add(std::string(length, 'n'), "data"); }),
                  "File " + PackageName + " : Invalid entry filename")
            << length;
    EXPECT_EQ(errorAfter([](ZipWriter &w) { w.add("", "data").methodField = 12; }), method)
        << "the method is checked before the name";
}

TEST(ZIPPackageTest, RefusesFilesTooSmallOrWithoutAnEndRecord) {
    for (const std::size_t size : {0, 1, 4, 21})
        EXPECT_EQ(directoryError(std::vector<char>(size, 'P')),
                  "File " + PackageName + " is too small")
            << size;
    const std::string missing = "File " + PackageName + " : End of Central Directory not found";
    EXPECT_EQ(directoryError(std::vector<char>(22, 'P')), missing);
    EXPECT_EQ(directoryError(std::vector<char>(200000, '\0')), missing);
}

TEST(ZIPPackageTest, RefusesAStreamThatDoesNotOpen) {
    Testing::TempFolder folder;
    ZIPPackage noStream(PackageName, std::unique_ptr<Cobalt::IO::Stream>());
    ZIPPackage missingFile(PackageName,
                           std::make_unique<Cobalt::IO::FileStream>(folder / "missing.zip", In));
    EXPECT_EQ(directoryError(noStream), "File stream not open");
    EXPECT_EQ(directoryError(missingFile), "File stream not open");
}

TEST(ZIPPackageTest, ReadsAnEmptyArchiveAndTheLongestName) {
    Names names;
    ZipWriter().mount()->listFiles("", names);
    EXPECT_TRUE(names.empty());

    const std::string longest(32767, 'n');
    ZipWriter writer;
    writer.add(longest, "long named");
    EXPECT_EQ(contentsOf(*writer.mount(), longest), "long named");
}

TEST(ZIPPackageTest, SkipsExtraFieldsAndFileComments) {
    ZipWriter writer;
    ZipWriter::Entry &first = writer.add("first.txt", "first");
    first.centralExtra = std::string(300, 'e');
    first.fileComment = "a comment on the first file";
    first.localExtra = std::string(7, 'l');
    writer.add("second.txt", "second").fileComment = std::string(1000, 'k');
    auto package = writer.mount();
    EXPECT_EQ(contentsOf(*package, "first.txt"), "first");
    EXPECT_EQ(contentsOf(*package, "second.txt"), "second");
}

TEST(ZIPPackageTest, FolderEntriesAreNeitherFilesNorListed) {
    ZipWriter writer;
    writer.addFolder("art/");
    writer.addFolder("sound\\");
    writer.add("art/logo.bmp", "logo");
    writer.add("sound\\click.wav", "click");
    auto package = writer.mount();
    EXPECT_FALSE(package->exists("art/"));
    EXPECT_FALSE(package->exists("sound\\"));
    EXPECT_FALSE(package->open("art/", In));
    EXPECT_TRUE(package->exists("art/logo.bmp"));
    EXPECT_TRUE(package->exists("sound\\click.wav"));
    Names rootFiles;
    package->listFiles("", rootFiles);
    EXPECT_TRUE(rootFiles.empty());
}

TEST(ZIPPackageTest, ServesTheFirstOfTwoEntriesWithTheSameName) {
    ZipWriter writer;
    writer.add("config.xml", "first copy");
    writer.add("config.xml", "second copy", ZipWriter::Stored);
    auto package = writer.mount();
    EXPECT_EQ(contentsOf(*package, "config.xml"), "first copy");
    Names names;
    package->listFiles("", names);
    EXPECT_EQ(names, Names{"config.xml"});
}

TEST(ZIPPackageTest, MatchesNamesExactlyAsStored) {
    ZipWriter writer;
    writer.add("Data/Maps/Town.map", "town");
    writer.add("Data\\Sound\\Bell.wav", "bell");
    auto package = writer.mount();
    EXPECT_EQ(contentsOf(*package, "Data/Maps/Town.map"), "town");
    EXPECT_EQ(contentsOf(*package, "Data\\Sound\\Bell.wav"), "bell");
    for (const std::string near :
         {"data/maps/town.map", "DATA/MAPS/TOWN.MAP", "Data\\Maps\\Town.map", "Data/Maps\\Town.map",
          "/Data/Maps/Town.map", "Data/Maps/Town.map ", "Data/Maps/Town", "Town.map",
          "Data/Sound/Bell.wav"}) {
        EXPECT_FALSE(package->exists(near)) << near;
        EXPECT_FALSE(package->open(near, In)) << near;
    }
}

TEST(ZIPPackageTest, ListsTheFilesAndSubFoldersDirectlyInAFolder) {
    ZipWriter writer;
    for (const char *name :
         {"readme.txt", "Brightwell.exe", "data/maps/town.map", "data/maps/cave.map",
          "data/items.xml", "data/sounds/click.wav", "data/sounds/deep/echo.wav", "docs/manual.txt",
          "docs\\legacy.txt", "drive:volume.txt", "zeta/"})
        writer.add(name, name);
    auto package = writer.mount();
    const auto list = [&](const std::string &folder, bool folders) {
        Names names{"kept"};
        folders ? package->listDirectories(folder, names) : package->listFiles(folder, names);
        return names;
    };
    EXPECT_EQ(list("", false), (Names{"kept", "Brightwell.exe", "readme.txt"}));
    EXPECT_EQ(list("data", false), (Names{"kept", "items.xml"}));
    EXPECT_EQ(list("data/", false), (Names{"kept", "items.xml"}));
    EXPECT_EQ(list("data\\", false), (Names{"kept", "items.xml"}));
    EXPECT_EQ(list("data/maps", false), (Names{"kept", "cave.map", "town.map"}));
    // Key order puts '/' before '\\'.
    EXPECT_EQ(list("docs", false), (Names{"kept", "manual.txt", "legacy.txt"}));
    EXPECT_EQ(list("drive", false), (Names{"kept", "volume.txt"}));
    EXPECT_EQ(list("Data", false), (Names{"kept"}));
    EXPECT_EQ(list("zeta", false), (Names{"kept"}));

    EXPECT_EQ(list("", true), (Names{"kept", "data", "docs"}));
    EXPECT_EQ(list("data", true), (Names{"kept", "maps", "sounds"}));
    EXPECT_EQ(list("data/", true), (Names{"kept", "maps", "sounds"}));
    EXPECT_EQ(list("data/sounds", true), (Names{"kept", "deep"}));
    EXPECT_EQ(list("data/maps", true), (Names{"kept"}));
    EXPECT_EQ(list("dat", true), (Names{"kept"}));
}
