// The file server over real folders and real ZIP packages: resolution, mounts, file operations.
#include "io/FileServerImpl.h"
#include "io/Exception.h"
#include "io/MemoryStream.h"
#include "io/OpenMode.h"
#include "io/Win32FileSystem.h"
#include "platform/NativeFile.h"
#include "platform/SystemHelpers.h"
#include "tests/support/ScopedCurrentDirectory.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using Cobalt::IO::FileServerImpl;
using Cobalt::IO::FileSystem;
using Cobalt::IO::Stream;
using Names = std::vector<std::string>;
namespace Mode = Cobalt::IO;
namespace fs = std::filesystem;

namespace {

std::string textOf(const std::vector<char> &bytes) { return {bytes.begin(), bytes.end()}; }

// Serves "virtual.txt" as "fake" while claiming 100 bytes, as a truncated entry would, and notes
// its destruction.
class FakeFileSystem : public FileSystem {
    struct Truncated : Cobalt::IO::MemoryStream {
        Truncated() : MemoryStream({'f', 'a', 'k', 'e'}) {}
        std::uint32_t getSize() override { return 100; }
    };

public:
    FakeFileSystem(const std::string &name, bool *destroyed)
        : FileSystem(name), destroyed(destroyed) {}
    ~FakeFileSystem() override { *destroyed = true; }
    bool exists(const std::string &path) override { return path == "virtual.txt"; }
    std::unique_ptr<Stream> open(const std::string &path, int) override {
        return exists(path) ? std::make_unique<Truncated>() : nullptr;
    }
    void listFiles(const std::string &, Names &) override {}
    void listDirectories(const std::string &, Names &) override {}

private:
    bool *destroyed;
};

class FileServerImplTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string target = folder.path().substr(0, folder.path().size() - 1);
        server.setAlias("tst", target.c_str());
        package.add("only.txt", "from the package\n", Testing::ZipWriter::Stored);
        package.add("data/inner.txt", "a nested, deflated entry");
    }

    // In name order: the server keeps no order of its own.
    Names mounted() const {
        Names names = server.getMountedNames();
        std::sort(names.begin(), names.end());
        return names;
    }

    Testing::TempFolder folder;
    FileServerImpl server;
    Testing::ZipWriter package;
};

TEST(FileServerAliasTest, ResolvesMountIdsOfTwoOrMoreLettersOnly) {
    FileServerImpl server;
    // clang-format off
    for (const auto &[id, target] : {std::pair{"_temp", "C:\\Windows\\Temp\\"}, {"_user", "D:\\Documents"},
             {"temp", "_temp:Brightwell"}, {"user", "_user:Brightwell"},
             {"configuration", "user:configuration"}, {"c", "/never/used"}, {"ab", "/two/letters"}})
        server.setAlias(id, target);
    const std::pair<const char *, const char *> cases[] = {
        {"temp:", "C:\\Windows\\Temp\\/Brightwell/"},
        {"temp:packages/p.zip", "C:\\Windows\\Temp\\/Brightwell/packages/p.zip"},
        {"configuration:", "D:\\Documents/Brightwell/configuration/"},
        {"configuration:credentials.xml", "D:\\Documents/Brightwell/configuration/credentials.xml"},
        {"temp:x:y", "C:\\Windows\\Temp\\/Brightwell/x:y"}, {"ab:x", "/two/letters/x"},
        {"C:\\Games\\Brightwell.exe", "C:\\Games\\Brightwell.exe"}, {"c:stuff", "c:stuff"},
        {"c:", "c:"}, {"gameStates/launcher.xml", "gameStates/launcher.xml"},
        {"unknown:file.txt", "unknown:file.txt"}, {"Temp:case.txt", "Temp:case.txt"},
        {":lead", ":lead"}, {"temp", "temp"}, {"", ""}};
    // clang-format on
    for (const auto &[path, expected] : cases)
        EXPECT_EQ(server.resolve(path), expected) << '"' << path << '"';
}

TEST(FileServerAliasTest, BuiltInAliasesNameTheSystemFolders) {
    FileServerImpl server;
    EXPECT_EQ(server.resolve("home:"), Cobalt::executableFolder() + "/");
    EXPECT_EQ(server.resolve("_temp:x"), Cobalt::tempFolder() + "/x");
    const std::string documents = Cobalt::documentsFolder();
    EXPECT_EQ(server.resolve("_user:"), documents.empty() ? "_user:" : documents + "/");
    const std::string common = Cobalt::commonAppDataFolder();
    EXPECT_EQ(server.resolve("_data:"), common.empty() ? "_data:" : common + "/");
}

TEST(FileServerAliasTest, SetAliasReplacesAndRemoveAliasForgets) {
    FileServerImpl server;
    server.setAlias("game", "/first");
    server.setAlias("game", "/second");
    server.removeAlias("never defined");
    EXPECT_EQ(server.resolve("game:x"), "/second/x");
    server.removeAlias("game");
    EXPECT_EQ(server.resolve("game:x"), "game:x");
}

TEST(FileServerAliasTest, CyclesAndLongChainsStopAtTheSubstitutionLimit) {
    const int limit = FileServerImpl::MaxAliasSubstitutions;
    FileServerImpl server;
    server.setAlias("aa", "bb:");
    server.setAlias("bb", "aa:");
    // Each substitution adds one joining slash; the limit is even, so the text is back at "aa".
    ASSERT_EQ(limit % 2, 0);
    EXPECT_EQ(server.resolve("aa:x"), "aa:" + std::string(limit, '/') + "x");
    server.setAlias("self", "self:more");
    EXPECT_EQ(server.resolve("self:").compare(0, 9, "self:more"), 0);

    // Chains id0 -> id1 -> ... -> "/end" of exactly the limit and of one link more.
    for (const int links : {limit, limit + 1}) {
        FileServerImpl chained;
        for (int link = 0; link + 1 < links; ++link)
            chained.setAlias(("id" + std::to_string(link)).c_str(),
                             ("id" + std::to_string(link + 1) + ":").c_str());
        chained.setAlias(("id" + std::to_string(links - 1)).c_str(), "/end");
        const std::string stop = links == limit ? "/end" : "id" + std::to_string(limit) + ":";
        EXPECT_EQ(chained.resolve("id0:f"), stop + std::string(limit, '/') + "f") << links;
    }
}

TEST_F(FileServerImplTest, OpensReadsAndWritesFilesThroughAnAlias) {
    folder.write("f.txt", "aliased");
    fs::create_directories(folder / "sub");
    EXPECT_TRUE(server.exists("tst:f.txt"));
    EXPECT_TRUE(server.exists(std::string("tst:f.txt")));
    for (const char *absent : {"tst:missing.txt", "tst:sub", "tst:"})
        EXPECT_FALSE(server.exists(absent)) << absent;
    EXPECT_FALSE(server.open("tst:missing.txt", Mode::In));
    auto stream = server.open("tst:f.txt", Mode::In);
    ASSERT_TRUE(stream);
    std::vector<char> bytes;
    ASSERT_TRUE(stream->read(bytes, 100));
    EXPECT_EQ(textOf(bytes), "aliased");

    stream = server.open("tst:written.txt", Mode::Out);
    ASSERT_TRUE(stream);
    EXPECT_TRUE(stream->write({'o', 'k'}, 2));
    stream.reset();
    EXPECT_EQ(folder.read("written.txt"), "ok");
}

TEST_F(FileServerImplTest, CreatesFoldersAndRemovesOnlyFiles) {
    EXPECT_TRUE(server.createDirectory("tst:new/deeper/"));
    EXPECT_TRUE(fs::is_directory(folder / "new/deeper"));
    EXPECT_FALSE(server.createDirectory("tst:new/deeper/"));

    folder.write("gone.txt", "x");
    EXPECT_TRUE(server.remove("tst:gone.txt"));
    EXPECT_FALSE(fs::exists(folder / "gone.txt"));
    EXPECT_FALSE(server.remove("tst:gone.txt"));
    EXPECT_FALSE(server.remove("tst:new"));
    EXPECT_TRUE(fs::is_directory(folder / "new"));
}

TEST_F(FileServerImplTest, MovesThroughAliasesButNeverReplaces) {
    folder.write("from.txt", "one");
    folder.write("taken.txt", "two");
    EXPECT_FALSE(server.move("tst:from.txt", "tst:taken.txt"));
    EXPECT_EQ(folder.read("from.txt"), "one");
    EXPECT_EQ(folder.read("taken.txt"), "two");
    EXPECT_FALSE(server.move("tst:missing.txt", "tst:to.txt"));
    EXPECT_FALSE(fs::exists(folder / "to.txt"));

    EXPECT_TRUE(server.move("tst:from.txt", "tst:to.txt"));
    EXPECT_EQ(folder.read("to.txt"), "one");
    EXPECT_FALSE(fs::exists(folder / "from.txt"));
}

TEST_F(FileServerImplTest, ReadFileTakesWholeFilesAndLeavesTheOutputOtherwise) {
    const std::string bytes("line\r\n\0\xff", 8);
    folder.write("whole.bin", bytes);
    folder.write("empty.bin", "");
    bool destroyed = false;
    server.addFileSystem(std::make_unique<FakeFileSystem>("truncated", &destroyed));
    std::vector<char> out{'o', 'l', 'd', ' ', 'a', 'n', 'd', ' ', 'l', 'o', 'n', 'g'};
    ASSERT_TRUE(server.readFile("tst:whole.bin", out));
    EXPECT_EQ(textOf(out), bytes);

    out = {'k'};
    EXPECT_TRUE(server.readFile("tst:empty.bin", out));
    EXPECT_EQ(textOf(out), "k");
    EXPECT_FALSE(server.readFile("tst:missing.bin", out));
    EXPECT_EQ(textOf(out), "k");
    EXPECT_FALSE(server.readFile("virtual.txt", out)) << "a short read is a failure";
    EXPECT_EQ(textOf(out), "k");
}

TEST_F(FileServerImplTest, SearchPathsAreForwardedToTheDisk) {
    fs::create_directories(folder / "extra");
    folder.write("extra/found.txt", "x");
    server.addSearchPath(folder / "extra");
    EXPECT_TRUE(server.exists("found.txt"));
    server.removeSearchPath(folder / "extra" + Cobalt::Platform::preferredSeparator());
    EXPECT_FALSE(server.exists("found.txt"));
}

TEST_F(FileServerImplTest, UnmountTakesOneMountedFileSystemOfThatName) {
    bool destroyed = false;
    server.mountPackage("twin", package.vector());
    auto fake = std::make_unique<FakeFileSystem>("twin", &destroyed);
    FileSystem *const raw = fake.get();
    server.addFileSystem(std::move(fake));
    server.addFileSystem(std::unique_ptr<FileSystem>(raw)); // the same object: kept once
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(mounted(), (Names{"root", "twin", "twin"}));

    server.unmount("nothing by this name");
    server.unmount("twin");
    EXPECT_EQ(mounted(), (Names{"root", "twin"}));
    server.unmount("twin");
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(server.exists("only.txt"));
    EXPECT_EQ(mounted(), Names{"root"});
}

TEST_F(FileServerImplTest, TheRootDiskIsNeverUnmountedOrRemoved) {
    ASSERT_NE(server.getRootFileSystem(), nullptr);
    EXPECT_EQ(server.getRootFileSystem()->getName(), "root");
    server.unmount("root");
    try {
        server.removeFileSystem("root");
        FAIL() << "no exception";
    } catch (const Cobalt::Exception &error) {
        EXPECT_STREQ(error.what(), "cannot remove root file system");
    }
    EXPECT_EQ(server.getMountedNames(), Names{"root"});
    EXPECT_TRUE(server.open("tst:still-writable.txt", Mode::Out));

    server.mountPackage("other", package.vector());
    server.removeFileSystem("other");
    EXPECT_EQ(server.getMountedNames(), Names{"root"});
}

TEST_F(FileServerImplTest, BrokenOrMissingPackagesThrowAndMountNothing) {
    try {
        server.mountPackage("tst:missing.zip");
        FAIL() << "no exception";
    } catch (const Cobalt::Exception &error) {
        EXPECT_STREQ(error.what(), "cannot open ZIP package tst:missing.zip");
    }
    package.endRecord().thisDisk = 3;
    folder.write("broken.zip", package.bytes());
    try {
        server.mountPackage("tst:broken.zip");
        FAIL() << "mounted a multi-disk archive";
    } catch (const Cobalt::Exception &error) {
        EXPECT_STREQ(error.what(), "File tst:broken.zip : Unsupported format");
    }
    folder.write("not.zip", std::string(200, 'x'));
    EXPECT_THROW(server.mountPackage("tst:not.zip"), Cobalt::Exception);
    EXPECT_THROW(server.mountPackage("bytes", std::vector<char>(200, 'x')), Cobalt::Exception);
    EXPECT_THROW(server.mountPackage("broken bytes", package.vector()), Cobalt::Exception);
    EXPECT_EQ(server.getMountedNames(), Names{"root"});
    EXPECT_FALSE(server.exists("only.txt"));
}

TEST_F(FileServerImplTest, MountsPackagesFromFilesAndBytesUnderTheirNames) {
    folder.write("pkg.zip", package.bytes());
    server.mountPackage("tst:pkg.zip");
    server.mountPackage("in memory", package.vector());
    EXPECT_EQ(mounted(), (Names{"in memory", "root", "tst:pkg.zip"}));
    std::vector<char> out;
    ASSERT_TRUE(server.readFile("only.txt", out));
    EXPECT_EQ(textOf(out), "from the package\n");
    ASSERT_TRUE(server.readFile("data/inner.txt", out));
    EXPECT_EQ(textOf(out), "a nested, deflated entry");

    server.unmount("tst:pkg.zip");
    EXPECT_TRUE(server.exists("only.txt"));
    server.unmount("in memory");
    EXPECT_FALSE(server.exists("only.txt"));
    EXPECT_EQ(server.getMountedNames(), Names{"root"});
    EXPECT_TRUE(server.remove("tst:pkg.zip")) << "the unmounted package must be closed";
}

TEST_F(FileServerImplTest, WritingAPathThatOnlyAPackageHoldsWritesToDisk) {
    folder.write("pkg.zip", package.bytes());
    server.mountPackage("tst:pkg.zip");
    Testing::ScopedCurrentDirectory inFolder(folder.path());
    ASSERT_TRUE(server.exists("only.txt"));
    ASSERT_FALSE(fs::exists(folder / "only.txt"));

    auto stream = server.open("only.txt", Mode::Out);
    ASSERT_TRUE(stream);
    EXPECT_TRUE(stream->write({'d', 'i', 's', 'k'}, 4));
    stream.reset();

    EXPECT_EQ(folder.read("only.txt"), "disk");
    EXPECT_EQ(folder.read("pkg.zip"), package.bytes());
    server.unmount("tst:pkg.zip");
}

} // namespace
