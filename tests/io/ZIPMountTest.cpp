// ZIP packages made by the real zip tool, read directly and mounted through the file server.
#include "io/FileServerImpl.h"
#include "io/FileStream.h"
#include "io/OpenMode.h"
#include "io/ZIPPackage.h"
#include "platform/SystemHelpers.h"
#include "tests/support/FailureOf.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using Names = std::vector<std::string>;

namespace {

// The build puts the zip tool's archives and their source tree beside the test program.
std::string fixture(const std::string &name) {
    return Cobalt::executableFolder() + "/zipfixtures/" + name;
}

std::string nativeFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class RealArchiveTest : public testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
#ifndef BRIGHTWELL_ZIP_FIXTURES
        GTEST_SKIP() << "the zip tool was not found when the build was configured";
#endif
    }

    // The archive at path, read from disk.
    static std::unique_ptr<Cobalt::IO::ZIPPackage> packageFromDisk(const std::string &path) {
        auto package = std::make_unique<Cobalt::IO::ZIPPackage>(
            path, std::make_unique<Cobalt::IO::FileStream>(path, Cobalt::IO::In));
        package->readDirectory();
        return package;
    }
};

TEST_P(RealArchiveTest, ReadsEveryFileByteForByteAndListsTheTree) {
    auto package = packageFromDisk(fixture(GetParam()));
    for (const std::string name :
         {"readme.txt", "empty.txt", "Data/Nested/values.csv", "Data/Notes.TXT", "Data/noise.dat"})
        EXPECT_TRUE(Testing::contentsOf(*package, name) == nativeFile(fixture("tree/" + name)))
            << name;
    EXPECT_GT(nativeFile(fixture("tree/readme.txt")).size(), 100000u);
    for (const char *absent : {"Data/", "Empty Folder/", "data/notes.txt", "Data\\Notes.TXT"})
        EXPECT_FALSE(package->exists(absent)) << absent;
    Names folders, files;
    package->listDirectories("", folders);
    package->listFiles("Data/", files);
    EXPECT_EQ(folders, Names{"Data"});
    EXPECT_EQ(files, (Names{"Notes.TXT", "noise.dat"}));

    Cobalt::IO::FileServerImpl server;
    server.mountPackage(fixture(GetParam()));
    std::vector<char> bytes;
    ASSERT_TRUE(server.readFile("Data/Nested/values.csv", bytes));
    EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) ==
                nativeFile(fixture("tree/Data/Nested/values.csv")));
}

INSTANTIATE_TEST_SUITE_P(MadeByZip, RealArchiveTest,
                         testing::Values("deflated.zip", "stored.zip", "commented.zip"));

using RealArchiveRefusalTest = RealArchiveTest;

TEST_F(RealArchiveRefusalTest, RefusesABzip2Archive) {
    const std::string path = fixture("bzip2.zip");
    EXPECT_EQ(Testing::failureOf([&] { packageFromDisk(path); }),
              "File " + path + " : Unsupported compression format");
}

} // namespace
