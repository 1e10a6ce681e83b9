// ZIP packages made by the real zip tool, and packages mounted through the file server.
#include "app/Engine.h"
#include "io/Exception.h"
#include "io/FileServerImpl.h"
#include "io/FileStream.h"
#include "io/OpenMode.h"
#include "io/ZIPPackage.h"
#include "platform/SystemHelpers.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using Cobalt::IO::Binary;
using Cobalt::IO::FileServerImpl;
using Cobalt::IO::In;
using Cobalt::IO::ZIPPackage;
using Testing::ZipWriter;

namespace {

// The build puts the zip tool's archives and their source tree beside the test program.
std::string fixture(const std::string &name) {
    return Cobalt::executableFolder() + "/zipfixtures/" + name;
}

std::string nativeFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string contentsOf(Cobalt::IO::FileSystem &files, const std::string &name) {
    auto stream = files.open(name, In | Binary);
    if (!stream)
        return "<none>";
    std::vector<char> bytes;
    stream->read(bytes, stream->getSize());
    return std::string(bytes.begin(), bytes.end());
}

std::unique_ptr<ZIPPackage> packageFromDisk(const std::string &path) {
    auto package =
        std::make_unique<ZIPPackage>(path, std::make_unique<Cobalt::IO::FileStream>(path, In));
    package->readDirectory();
    return package;
}

const char *const TreeFiles[] = {"readme.txt", "empty.txt", "Data/Nested/values.csv",
                                 "Data/Notes.TXT", "Data/noise.dat"};

void skipWithoutFixtures() {
#ifndef BRIGHTWELL_ZIP_FIXTURES
    GTEST_SKIP() << "the zip tool was not found when the build was configured";
#endif
}

} // namespace

class RealArchiveTest : public testing::TestWithParam<const char *> {
protected:
    void SetUp() override { skipWithoutFixtures(); }
};

TEST_P(RealArchiveTest, ReadsEveryFileByteForByte) {
    auto package = packageFromDisk(fixture(GetParam()));
    for (const std::string name : TreeFiles) {
        const std::string original = nativeFile(fixture("tree/" + name));
        EXPECT_TRUE(package->exists(name)) << name;
        EXPECT_TRUE(contentsOf(*package, name) == original) << name;
    }
    EXPECT_GT(nativeFile(fixture("tree/readme.txt")).size(), 100000u);
}

TEST_P(RealArchiveTest, HidesFolderEntriesAndListsTheTree) {
    auto package = packageFromDisk(fixture(GetParam()));
    using Names = std::vector<std::string>;
    EXPECT_FALSE(package->exists("Data/"));
    EXPECT_FALSE(package->exists("Empty Folder/"));
    EXPECT_FALSE(package->exists("data/notes.txt"));
    EXPECT_FALSE(package->exists("Data\\Notes.TXT"));
    Names folders;
    package->listDirectories("", folders);
    EXPECT_EQ(folders, Names{"Data"});
    Names files;
    package->listFiles("Data/", files);
    EXPECT_EQ(files, (Names{"Notes.TXT", "noise.dat"}));
    Names rootFiles;
    package->listFiles("", rootFiles);
    EXPECT_EQ(rootFiles, (Names{"empty.txt", "readme.txt"}));
}

INSTANTIATE_TEST_SUITE_P(MadeByZip, RealArchiveTest,
                         testing::Values("deflated.zip", "stored.zip", "commented.zip"));

class RealArchiveRefusalTest : public testing::Test {
protected:
    void SetUp() override { skipWithoutFixtures(); }
};

TEST_F(RealArchiveRefusalTest, RefusesABzip2Archive) {
    const std::string path = fixture("bzip2.zip");
    try {
        packageFromDisk(path);
        FAIL() << "mounted a bzip2 archive";
    } catch (const Cobalt::Exception &error) {
        EXPECT_EQ(std::string(error.what()), "File " + path + " : Unsupported compression format");
    }
}

TEST(ZIPPackageFileTest, RefusesAFileThatDoesNotOpen) {
    Testing::TempFolder folder;
    ZIPPackage package("missing.zip",
                       std::make_unique<Cobalt::IO::FileStream>(folder / "missing.zip", In));
    try {
        package.readDirectory();
        FAIL() << "read a missing file";
    } catch (const Cobalt::Exception &error) {
        EXPECT_STREQ(error.what(), "File stream not open");
    }
}

class MountTest : public testing::Test {
protected:
    void SetUp() override {
        Cobalt::startEngine();
        server = static_cast<FileServerImpl *>(Cobalt::Engine::instance()->getFileServer());
        std::string target = folder.path();
        target.pop_back();
        server->setAlias("packages", target.c_str());
        writer.add("Data/Maps/town.map", "the town");
        writer.add("Data/readme.txt", "read me", ZipWriter::Stored);
        before = server->getMountedNames();
    }

    void TearDown() override { Cobalt::shutdownEngine(); }

    std::string readThroughServer(const std::string &path) {
        std::vector<char> bytes;
        if (!server->readFile(path, bytes))
            return "<none>";
        return std::string(bytes.begin(), bytes.end());
    }

    Testing::TempFolder folder;
    FileServerImpl *server = nullptr;
    ZipWriter writer;
    std::vector<std::string> before;
};

TEST_F(MountTest, MountsFromAPathServesItsFilesAndUnmountsByThatPath) {
    folder.write("update.zip", writer.bytes());
    ASSERT_FALSE(server->exists("Data/Maps/town.map"));
    server->mountPackage("packages:update.zip");
    EXPECT_TRUE(server->exists("Data/Maps/town.map"));
    EXPECT_EQ(readThroughServer("Data/Maps/town.map"), "the town");
    EXPECT_EQ(readThroughServer("Data/readme.txt"), "read me");
    auto names = server->getMountedNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "packages:update.zip"), 1);

    server->unmount("packages:update.zip");
    EXPECT_FALSE(server->exists("Data/Maps/town.map"));
    EXPECT_EQ(server->getMountedNames(), before);
    // The package file is closed again, so it can be replaced.
    EXPECT_TRUE(server->remove("packages:update.zip"));
}

TEST_F(MountTest, MountsFromBytes) {
    server->mountPackage("downloaded", writer.vector());
    EXPECT_EQ(readThroughServer("Data/Maps/town.map"), "the town");
    server->unmount("downloaded");
    EXPECT_EQ(readThroughServer("Data/Maps/town.map"), "<none>");
    EXPECT_EQ(server->getMountedNames(), before);
}

TEST_F(MountTest, ABrokenPackageIsNotMounted) {
    writer.endRecord().thisDisk = 3;
    folder.write("broken.zip", writer.bytes());
    try {
        server->mountPackage("packages:broken.zip");
        FAIL() << "mounted a multi-disk archive";
    } catch (const Cobalt::Exception &error) {
        EXPECT_EQ(std::string(error.what()), "File packages:broken.zip : Unsupported format");
    }
    EXPECT_THROW(server->mountPackage("from memory", writer.vector()), Cobalt::Exception);
    EXPECT_EQ(server->getMountedNames(), before);
    EXPECT_FALSE(server->exists("Data/Maps/town.map"));
}

TEST_F(MountTest, MountsAnArchiveMadeByZip) {
    skipWithoutFixtures();
    if (testing::Test::IsSkipped())
        return;
    const std::string path = fixture("deflated.zip");
    server->mountPackage(path);
    EXPECT_TRUE(readThroughServer("Data/Nested/values.csv") ==
                nativeFile(fixture("tree/Data/Nested/values.csv")));
    server->unmount(path);
    EXPECT_EQ(server->getMountedNames(), before);
}
