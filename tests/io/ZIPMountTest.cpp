// ZIP packages made by the real zip tool, read directly and mounted through the file server.
#include "io/Exception.h"
#include "io/FileServerImpl.h"
#include "io/FileStream.h"
#include "io/OpenMode.h"
#include "io/ZIPPackage.h"
#include "platform/SystemHelpers.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using Cobalt::IO::ZIPPackage;
using Testing::contentsOf;
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

std::unique_ptr<ZIPPackage> packageFromDisk(const std::string &path) {
    auto package = std::make_unique<ZIPPackage>(
        path, std::make_unique<Cobalt::IO::FileStream>(path, Cobalt::IO::In));
    package->readDirectory();
    return package;
}

class RealArchiveTest : public testing::TestWithParam<const char *> {
protected:
    void SetUp() override {
#ifndef BRIGHTWELL_ZIP_FIXTURES
        GTEST_SKIP() << "the zip tool was not found when the build was configured";
#endif
    }
};

TEST_P(RealArchiveTest, ReadsEveryFileByteForByteAndListsTheTree) {
    auto package = packageFromDisk(fixture(GetParam()));
    for (const std::string name : {"readme.txt", "empty.txt", "Data/Nested/values.csv",
                                   "Data/Notes.TXT", "Data/noise.dat"}) {
        EXPECT_TRUE(package->exists(name)) << name;
        EXPECT_TRUE(contentsOf(*package, name) == nativeFile(fixture("tree/" + name))) << name;
    }
    EXPECT_GT(nativeFile(fixture("tree/readme.txt")).size(), 100000u);
    for (const char *absent : {"Data/", "Empty Folder/", "data/notes.txt", "Data\\Notes.TXT"})
        EXPECT_FALSE(package->exists(absent)) << absent;
    Names folders, files, rootFiles;
    package->listDirectories("", folders);
    package->listFiles("Data/", files);
    package->listFiles("", rootFiles);
    EXPECT_EQ(folders, Names{"Data"});
    EXPECT_EQ(files, (Names{"Notes.TXT", "noise.dat"}));
    EXPECT_EQ(rootFiles, (Names{"empty.txt", "readme.txt"}));
}

TEST_P(RealArchiveTest, MountsThroughTheFileServer) {
    Cobalt::IO::FileServerImpl server;
    const std::string path = fixture(GetParam());
    server.mountPackage(path);
    std::vector<char> bytes;
    ASSERT_TRUE(server.readFile("Data/Nested/values.csv", bytes));
    EXPECT_TRUE(std::string(bytes.begin(), bytes.end()) ==
                nativeFile(fixture("tree/Data/Nested/values.csv")));
    server.unmount(path);
    EXPECT_EQ(server.getMountedNames(), Names{"root"});
}

INSTANTIATE_TEST_SUITE_P(MadeByZip, RealArchiveTest,
                         testing::Values("deflated.zip", "stored.zip", "commented.zip"));

using RealArchiveRefusalTest = RealArchiveTest;

TEST_F(RealArchiveRefusalTest, RefusesABzip2Archive) {
    const std::string path = fixture("bzip2.zip");
    try {
        packageFromDisk(path);
        FAIL() << "mounted a bzip2 archive";
    } catch (const Cobalt::Exception &error) {
        EXPECT_EQ(std::string(error.what()), "File " + path + " : Unsupported compression format");
    }
}

} // namespace
