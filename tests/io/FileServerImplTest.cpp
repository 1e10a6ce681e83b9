// The file server over real folders and a real ZIP package: resolution, mounts, file operations.
#include "io/FileServerImpl.h"
#include "io/Exception.h"
#include "io/MemoryStream.h"
#include "io/OpenMode.h"
#include "io/Win32FileSystem.h"
#include "platform/NativeFile.h"
#include "platform/SystemHelpers.h"
#include "tests/support/ScopedCurrentDirectory.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using Cobalt::IO::FileServerImpl;
using Cobalt::IO::FileSystem;
using Cobalt::IO::Stream;
namespace Mode = Cobalt::IO;
namespace fs = std::filesystem;

namespace {

// Made with Debian's zip tool: "only.txt" (stored, "from the package\n") and "data/inner.txt"
// (deflated, "nested entry " sixteen times).
const unsigned char PackageBytes[] = {
    0x50, 0x4b, 0x03, 0x04, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x40, 0xbe, 0x86, 0x5d, 0x0f, 0xe3,
    0x3d, 0x74, 0x11, 0x00, 0x00, 0x00, 0x11, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x6f, 0x6e,
    0x6c, 0x79, 0x2e, 0x74, 0x78, 0x74, 0x66, 0x72, 0x6f, 0x6d, 0x20, 0x74, 0x68, 0x65, 0x20, 0x70,
    0x61, 0x63, 0x6b, 0x61, 0x67, 0x65, 0x0a, 0x50, 0x4b, 0x03, 0x04, 0x14, 0x00, 0x00, 0x00, 0x08,
    0x00, 0x40, 0xbe, 0x86, 0x5d, 0xbe, 0x8c, 0x82, 0xfc, 0x12, 0x00, 0x00, 0x00, 0xd0, 0x00, 0x00,
    0x00, 0x0e, 0x00, 0x00, 0x00, 0x64, 0x61, 0x74, 0x61, 0x2f, 0x69, 0x6e, 0x6e, 0x65, 0x72, 0x2e,
    0x74, 0x78, 0x74, 0xcb, 0x4b, 0x2d, 0x2e, 0x49, 0x4d, 0x51, 0x48, 0xcd, 0x2b, 0x29, 0xaa, 0x54,
    0xc8, 0x1b, 0xfa, 0x1c, 0x00, 0x50, 0x4b, 0x01, 0x02, 0x1e, 0x03, 0x0a, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x40, 0xbe, 0x86, 0x5d, 0x0f, 0xe3, 0x3d, 0x74, 0x11, 0x00, 0x00, 0x00, 0x11, 0x00, 0x00,
    0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0xa4, 0x81, 0x00,
    0x00, 0x00, 0x00, 0x6f, 0x6e, 0x6c, 0x79, 0x2e, 0x74, 0x78, 0x74, 0x50, 0x4b, 0x01, 0x02, 0x1e,
    0x03, 0x14, 0x00, 0x00, 0x00, 0x08, 0x00, 0x40, 0xbe, 0x86, 0x5d, 0xbe, 0x8c, 0x82, 0xfc, 0x12,
    0x00, 0x00, 0x00, 0xd0, 0x00, 0x00, 0x00, 0x0e, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
    0x00, 0x00, 0x00, 0xa4, 0x81, 0x37, 0x00, 0x00, 0x00, 0x64, 0x61, 0x74, 0x61, 0x2f, 0x69, 0x6e,
    0x6e, 0x65, 0x72, 0x2e, 0x74, 0x78, 0x74, 0x50, 0x4b, 0x05, 0x06, 0x00, 0x00, 0x00, 0x00, 0x02,
    0x00, 0x02, 0x00, 0x72, 0x00, 0x00, 0x00, 0x75, 0x00, 0x00, 0x00, 0x00, 0x00,
};
const std::string OnlyText = "from the package\n";

std::vector<char> packageBytes() { return {std::begin(PackageBytes), std::end(PackageBytes)}; }

std::string textOf(const std::vector<char> &bytes) { return {bytes.begin(), bytes.end()}; }

std::string withoutTrailingSeparator(const std::string &folder) {
    return folder.substr(0, folder.size() - 1);
}

// A memory stream that claims more bytes than it holds, as a truncated entry would.
class TruncatedStream : public Cobalt::IO::MemoryStream {
public:
    using MemoryStream::MemoryStream;
    std::uint32_t getSize() override { return 100; }
};

// A mounted file system that serves one virtual file from memory and notes its destruction.
class FakeFileSystem : public FileSystem {
public:
    FakeFileSystem(const std::string &name, bool *destroyed = nullptr, bool truncated = false)
        : FileSystem(name), destroyed(destroyed), truncated(truncated) {}
    ~FakeFileSystem() override {
        if (destroyed)
            *destroyed = true;
    }
    bool exists(const std::string &path) override { return path == "virtual.txt"; }
    std::unique_ptr<Stream> open(const std::string &path, int) override {
        if (!exists(path))
            return nullptr;
        const std::vector<char> bytes{'f', 'a', 'k', 'e'};
        if (truncated)
            return std::make_unique<TruncatedStream>(bytes);
        return std::make_unique<Cobalt::IO::MemoryStream>(bytes);
    }
    void listFiles(const std::string &, std::vector<std::string> &) override {}
    void listDirectories(const std::string &, std::vector<std::string> &) override {}

private:
    bool *destroyed;
    bool truncated;
};

class FileServerImplTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.setAlias("tst", withoutTrailingSeparator(folder.path()).c_str());
    }

    void writePackage(const std::string &relative) {
        const std::vector<char> bytes = packageBytes();
        folder.write(relative, textOf(bytes));
    }

    std::vector<std::string> mountedNames() const { return server.getMountedNames(); }

    Testing::TempFolder folder;
    FileServerImpl server;
};

// Resolution against the launcher's aliases, with fixed folders in place of the system's.
struct ResolveCase {
    const char *path;
    const char *expected;
};

std::ostream &operator<<(std::ostream &out, const ResolveCase &resolveCase) {
    return out << '"' << resolveCase.path << '"';
}

class FileServerResolveTest : public ::testing::TestWithParam<ResolveCase> {
protected:
    void SetUp() override {
        server.setAlias("_temp", "C:\\Windows\\Temp\\");
        server.setAlias("_user", "D:\\Documents");
        server.setAlias("temp", "_temp:Brightwell");
        server.setAlias("user", "_user:Brightwell");
        server.setAlias("configuration", "user:configuration");
        server.setAlias("c", "/never/used");
        server.setAlias("ab", "/two/letters");
    }

    FileServerImpl server;
};

TEST_P(FileServerResolveTest, ExpandsMountIds) {
    EXPECT_EQ(server.resolve(GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    LauncherAliases, FileServerResolveTest,
    ::testing::Values(ResolveCase{"temp:", "C:\\Windows\\Temp\\/Brightwell/"},
                      ResolveCase{"temp:packages/p.zip",
                                  "C:\\Windows\\Temp\\/Brightwell/packages/p.zip"},
                      ResolveCase{"configuration:", "D:\\Documents/Brightwell/configuration/"},
                      ResolveCase{"configuration:credentials.xml",
                                  "D:\\Documents/Brightwell/configuration/credentials.xml"},
                      ResolveCase{"temp:x:y", "C:\\Windows\\Temp\\/Brightwell/x:y"},
                      ResolveCase{"ab:x", "/two/letters/x"},
                      ResolveCase{"C:\\Games\\Brightwell.exe", "C:\\Games\\Brightwell.exe"},
                      ResolveCase{"c:stuff", "c:stuff"}, ResolveCase{"c:", "c:"},
                      ResolveCase{"gameStates/launcher.xml", "gameStates/launcher.xml"},
                      ResolveCase{"unknown:file.txt", "unknown:file.txt"},
                      ResolveCase{"Temp:case.txt", "Temp:case.txt"}, ResolveCase{":lead", ":lead"},
                      ResolveCase{"temp", "temp"}, ResolveCase{"", ""}));

TEST(FileServerAliasTest, BuiltInAliasesNameTheSystemFolders) {
    FileServerImpl server;
    EXPECT_EQ(server.resolve("home:"), Cobalt::executableFolder() + "/");
    EXPECT_EQ(server.resolve("_temp:x"), Cobalt::tempFolder() + "/x");
    const std::string documents = Cobalt::documentsFolder();
    EXPECT_EQ(server.resolve("_user:"), documents.empty() ? "_user:" : documents + "/");
    const std::string common = Cobalt::commonAppDataFolder();
    EXPECT_EQ(server.resolve("_data:"), common.empty() ? "_data:" : common + "/");
}

TEST(FileServerAliasTest, SetAliasReplacesTheTarget) {
    FileServerImpl server;
    server.setAlias("game", "/first");
    server.setAlias("game", "/second");
    EXPECT_EQ(server.resolve("game:x"), "/second/x");
}

TEST(FileServerAliasTest, RemoveAliasForgetsTheIdAndIgnoresMissingOnes) {
    FileServerImpl server;
    server.setAlias("game", "/first");
    server.removeAlias("never defined");
    EXPECT_EQ(server.resolve("game:x"), "/first/x");
    server.removeAlias("game");
    EXPECT_EQ(server.resolve("game:x"), "game:x");
}

TEST(FileServerAliasTest, ACycleStopsAfterTheLimit) {
    FileServerImpl server;
    server.setAlias("aa", "bb:");
    server.setAlias("bb", "aa:");
    // Each substitution adds one joining slash; the limit is even, so the text is back at "aa".
    const int limit = FileServerImpl::MaxAliasSubstitutions;
    ASSERT_EQ(limit % 2, 0);
    EXPECT_EQ(server.resolve("aa:x"), "aa:" + std::string(limit, '/') + "x");
}

TEST(FileServerAliasTest, AnAliasOfItselfStops) {
    FileServerImpl server;
    server.setAlias("self", "self:more");
    const std::string resolved = server.resolve("self:");
    EXPECT_EQ(resolved.compare(0, 9, "self:more"), 0) << resolved;
}

// A chain id0 -> id1 -> ... of the given number of links ending in the folder "/end".
void defineChain(FileServerImpl &server, int links) {
    for (int link = 0; link + 1 < links; ++link)
        server.setAlias(("id" + std::to_string(link)).c_str(),
                        ("id" + std::to_string(link + 1) + ":").c_str());
    server.setAlias(("id" + std::to_string(links - 1)).c_str(), "/end");
}

TEST(FileServerAliasTest, AChainAsLongAsTheLimitResolvesFully) {
    FileServerImpl server;
    const int limit = FileServerImpl::MaxAliasSubstitutions;
    defineChain(server, limit);
    EXPECT_EQ(server.resolve("id0:f"), "/end" + std::string(limit, '/') + "f");
}

TEST(FileServerAliasTest, ALongerChainStopsWhereTheLimitLeavesIt) {
    FileServerImpl server;
    const int limit = FileServerImpl::MaxAliasSubstitutions;
    defineChain(server, limit + 1);
    EXPECT_EQ(server.resolve("id0:f"),
              "id" + std::to_string(limit) + ":" + std::string(limit, '/') + "f");
}

TEST_F(FileServerImplTest, StartsWithTheDiskMountedAsRoot) {
    ASSERT_NE(server.getRootFileSystem(), nullptr);
    EXPECT_EQ(server.getRootFileSystem()->getName(), "root");
    EXPECT_EQ(mountedNames(), std::vector<std::string>{"root"});
}

TEST_F(FileServerImplTest, OpensAndReadsThroughAnAlias) {
    folder.write("f.txt", "aliased");
    EXPECT_TRUE(server.exists("tst:f.txt"));
    EXPECT_TRUE(server.exists(std::string("tst:f.txt")));
    auto stream = server.open("tst:f.txt", Mode::In);
    ASSERT_TRUE(stream);
    std::vector<char> bytes;
    ASSERT_TRUE(stream->read(bytes, 100));
    EXPECT_EQ(textOf(bytes), "aliased");
}

TEST_F(FileServerImplTest, MissingFileOpensNothing) {
    EXPECT_FALSE(server.open("tst:missing.txt", Mode::In));
    EXPECT_FALSE(server.exists("tst:missing.txt"));
}

TEST_F(FileServerImplTest, AFolderDoesNotExist) {
    fs::create_directories(folder / "sub");
    EXPECT_FALSE(server.exists("tst:sub"));
    EXPECT_FALSE(server.exists("tst:"));
}

TEST_F(FileServerImplTest, WritesGoToTheDisk) {
    auto stream = server.open("tst:written.txt", Mode::Out);
    ASSERT_TRUE(stream);
    EXPECT_TRUE(stream->write({'o', 'k'}, 2));
    stream.reset();
    EXPECT_EQ(folder.read("written.txt"), "ok");
}

TEST_F(FileServerImplTest, CreatesFoldersThroughAnAlias) {
    EXPECT_TRUE(server.createDirectory("tst:new/deeper/"));
    EXPECT_TRUE(fs::is_directory(folder / "new/deeper"));
    EXPECT_FALSE(server.createDirectory("tst:new/deeper/"));
}

TEST_F(FileServerImplTest, RemovesAFile) {
    folder.write("gone.txt", "x");
    EXPECT_TRUE(server.remove("tst:gone.txt"));
    EXPECT_FALSE(fs::exists(folder / "gone.txt"));
    EXPECT_FALSE(server.remove("tst:gone.txt"));
}

TEST_F(FileServerImplTest, RemoveRefusesAFolder) {
    fs::create_directories(folder / "kept");
    EXPECT_FALSE(server.remove("tst:kept"));
    EXPECT_TRUE(fs::is_directory(folder / "kept"));
}

TEST_F(FileServerImplTest, MovesThroughAliases) {
    folder.write("from.txt", "one");
    EXPECT_TRUE(server.move("tst:from.txt", "tst:to.txt"));
    EXPECT_EQ(folder.read("to.txt"), "one");
    EXPECT_FALSE(fs::exists(folder / "from.txt"));
}

TEST_F(FileServerImplTest, MoveNeverReplaces) {
    folder.write("from.txt", "one");
    folder.write("to.txt", "two");
    EXPECT_FALSE(server.move("tst:from.txt", "tst:to.txt"));
    EXPECT_EQ(folder.read("from.txt"), "one");
    EXPECT_EQ(folder.read("to.txt"), "two");
}

TEST_F(FileServerImplTest, MoveOfAMissingFileFails) {
    EXPECT_FALSE(server.move("tst:missing.txt", "tst:to.txt"));
    EXPECT_FALSE(fs::exists(folder / "to.txt"));
}

TEST_F(FileServerImplTest, ReadFileTakesTheWholeFile) {
    const std::string bytes("line\r\n\0\xff", 8);
    folder.write("whole.bin", bytes);
    std::vector<char> out{'o', 'l', 'd', ' ', 'a', 'n', 'd', ' ', 'l', 'o', 'n', 'g'};
    ASSERT_TRUE(server.readFile("tst:whole.bin", out));
    EXPECT_EQ(textOf(out), bytes);
}

TEST_F(FileServerImplTest, ReadFileOfAnEmptyFileLeavesTheOutput) {
    folder.write("empty.bin", "");
    std::vector<char> out{'k', 'e', 'e', 'p'};
    EXPECT_TRUE(server.readFile("tst:empty.bin", out));
    EXPECT_EQ(textOf(out), "keep");
}

TEST_F(FileServerImplTest, ReadFileOfAMissingFileFails) {
    std::vector<char> out{'k'};
    EXPECT_FALSE(server.readFile("tst:missing.bin", out));
    EXPECT_EQ(textOf(out), "k");
}

TEST_F(FileServerImplTest, ReadFileReportsAShortReadAndLeavesTheOutput) {
    server.addFileSystem(std::make_unique<FakeFileSystem>("truncated", nullptr, true));
    std::vector<char> out{'k'};
    EXPECT_FALSE(server.readFile("virtual.txt", out));
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

TEST_F(FileServerImplTest, ReadsAreServedByAnyMountedFileSystem) {
    bool destroyed = false;
    server.addFileSystem(std::make_unique<FakeFileSystem>("fake", &destroyed));
    EXPECT_TRUE(server.exists("virtual.txt"));
    std::vector<char> out;
    ASSERT_TRUE(server.readFile("virtual.txt", out));
    EXPECT_EQ(textOf(out), "fake");

    server.unmount("fake");
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(server.exists("virtual.txt"));
}

TEST_F(FileServerImplTest, AddingTheSameObjectTwiceKeepsOneEntry) {
    bool destroyed = false;
    auto fake = std::make_unique<FakeFileSystem>("fake", &destroyed);
    FileSystem *const raw = fake.get();
    server.addFileSystem(std::move(fake));
    server.addFileSystem(std::unique_ptr<FileSystem>(raw));
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(mountedNames().size(), 2u);
    server.unmount("fake");
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(mountedNames(), std::vector<std::string>{"root"});
}

TEST_F(FileServerImplTest, UnmountTakesOneFileSystemOfThatName) {
    bool firstGone = false;
    bool secondGone = false;
    server.addFileSystem(std::make_unique<FakeFileSystem>("twin", &firstGone));
    server.addFileSystem(std::make_unique<FakeFileSystem>("twin", &secondGone));
    server.unmount("twin");
    EXPECT_NE(firstGone, secondGone);
    server.unmount("twin");
    EXPECT_TRUE(firstGone && secondGone);
}

TEST_F(FileServerImplTest, UnmountOfAnUnknownNameChangesNothing) {
    server.addFileSystem(std::make_unique<FakeFileSystem>("fake"));
    const auto before = mountedNames();
    server.unmount("nothing by this name");
    EXPECT_EQ(mountedNames(), before);
}

TEST_F(FileServerImplTest, UnmountNeverDestroysTheDisk) {
    server.unmount("root");
    EXPECT_EQ(mountedNames(), std::vector<std::string>{"root"});
    EXPECT_TRUE(server.open("tst:still-writable.txt", Mode::Out));
}

TEST_F(FileServerImplTest, RemovingTheRootFileSystemThrows) {
    try {
        server.removeFileSystem("root");
        FAIL() << "no exception";
    } catch (const Cobalt::Exception &error) {
        EXPECT_STREQ(error.what(), "cannot remove root file system");
    }
    EXPECT_EQ(mountedNames(), std::vector<std::string>{"root"});
    EXPECT_TRUE(server.open("tst:still-writable.txt", Mode::Out));
}

TEST_F(FileServerImplTest, RemoveFileSystemTakesOtherNames) {
    bool destroyed = false;
    server.addFileSystem(std::make_unique<FakeFileSystem>("fake", &destroyed));
    server.removeFileSystem("fake");
    EXPECT_TRUE(destroyed);
}

TEST_F(FileServerImplTest, MountingAMissingPackageThrowsAndMountsNothing) {
    const std::string path = "tst:missing.zip";
    try {
        server.mountPackage(path);
        FAIL() << "no exception";
    } catch (const Cobalt::Exception &error) {
        EXPECT_EQ(std::string(error.what()), "cannot open ZIP package " + path);
    }
    EXPECT_EQ(mountedNames(), std::vector<std::string>{"root"});
}

TEST_F(FileServerImplTest, MountingAFileThatIsNoPackageThrowsAndMountsNothing) {
    folder.write("not.zip", std::string(200, 'x'));
    EXPECT_THROW(server.mountPackage("tst:not.zip"), Cobalt::Exception);
    EXPECT_THROW(server.mountPackage("bytes", std::vector<char>(200, 'x')), Cobalt::Exception);
    EXPECT_EQ(mountedNames(), std::vector<std::string>{"root"});
}

TEST_F(FileServerImplTest, MountsAPackageFileUnderItsPathAndUnmountsIt) {
    writePackage("pkg.zip");
    server.mountPackage("tst:pkg.zip");
    EXPECT_EQ(mountedNames().size(), 2u);

    std::vector<char> out;
    ASSERT_TRUE(server.readFile("only.txt", out));
    EXPECT_EQ(textOf(out), OnlyText);
    ASSERT_TRUE(server.readFile("data/inner.txt", out));
    std::string nested;
    for (int i = 0; i < 16; ++i)
        nested += "nested entry ";
    EXPECT_EQ(textOf(out), nested);

    server.unmount("tst:pkg.zip");
    EXPECT_EQ(mountedNames(), std::vector<std::string>{"root"});
    EXPECT_FALSE(server.exists("only.txt"));
}

TEST_F(FileServerImplTest, MountsAPackageFromBytes) {
    server.mountPackage("in memory", packageBytes());
    EXPECT_TRUE(server.exists("only.txt"));
    server.unmount("in memory");
    EXPECT_FALSE(server.exists("only.txt"));
}

TEST_F(FileServerImplTest, WritingAPathThatOnlyAPackageHoldsWritesToDisk) {
    writePackage("pkg.zip");
    server.mountPackage("tst:pkg.zip");
    Testing::ScopedCurrentDirectory inFolder(folder.path());
    ASSERT_TRUE(server.exists("only.txt"));
    ASSERT_FALSE(fs::exists(folder / "only.txt"));

    auto stream = server.open("only.txt", Mode::Out);
    ASSERT_TRUE(stream);
    EXPECT_TRUE(stream->write({'d', 'i', 's', 'k'}, 4));
    stream.reset();

    EXPECT_EQ(folder.read("only.txt"), "disk");
    EXPECT_EQ(folder.read("pkg.zip"), textOf(packageBytes()));
    server.unmount("tst:pkg.zip");
}

} // namespace
