// The file server over real folders and real ZIP packages: resolution, mounts, file operations.
#include "io/FileServerImpl.h"
#include "io/Exception.h"
#include "io/MemoryStream.h"
#include "io/OpenMode.h"
#include "platform/SystemHelpers.h"
#include "tests/support/FailureOf.h"
#include "tests/support/ScopedCurrentDirectory.h"
#include "tests/support/TempFolder.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using Cobalt::IO::FileServerImpl;
using Names = std::vector<std::string>;
using Testing::failureOf;
namespace fs = std::filesystem;

namespace {

std::string textOf(const std::vector<char> &bytes) { return {bytes.begin(), bytes.end()}; }

// Serves "virtual.txt" as "fake" while claiming 100 bytes, as a truncated entry would.
class ShortFileSystem : public Cobalt::IO::FileSystem {
    struct Truncated : Cobalt::IO::MemoryStream {
        Truncated() : MemoryStream({'f', 'a', 'k', 'e'}) {}
        std::uint32_t getSize() override { return 100; }
    };

public:
    ShortFileSystem() : FileSystem("short") {}
    bool exists(const std::string &path) override { return path == "virtual.txt"; }
    std::unique_ptr<Cobalt::IO::Stream> open(const std::string &path, int) override {
        return exists(path) ? std::make_unique<Truncated>() : nullptr;
    }
    void listFiles(const std::string &, Names &) override {}
    void listDirectories(const std::string &, Names &) override {}
};

class FileServerImplTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.setAlias("tst", folder.path().substr(0, folder.path().size() - 1).c_str());
        package.add("only.txt", "from the package\n", Testing::ZipWriter::Stored);
        package.add("data/inner.txt", "a nested, deflated entry");
    }

    Testing::TempFolder folder;
    FileServerImpl server;
    Testing::ZipWriter package;
};

TEST(FileServerAliasTest, ResolvesChainsOfMountIdsOfTwoOrMoreLettersOnly) {
    FileServerImpl server;
    for (const auto &[id, target] : {std::pair{"_temp", "C:\\Temp\\"},
                                     {"temp", "_temp:Bw"},
                                     {"c", "/never/used"},
                                     {"ab", "/two/letters"}})
        server.setAlias(id, target);
    const std::pair<const char *, const char *> cases[] = {{"temp:", "C:\\Temp\\/Bw/"},
                                                           {"ab:x", "/two/letters/x"},
                                                           {"C:\\Games\\B.exe", "C:\\Games\\B.exe"},
                                                           {"c:stuff", "c:stuff"},
                                                           {"unknown:file.txt", "unknown:file.txt"},
                                                           {"temp", "temp"}};
    for (const auto &[path, expected] : cases)
        EXPECT_EQ(server.resolve(path), expected) << '"' << path << '"';
}

TEST(FileServerAliasTest, CyclesAndLongChainsStopAtTheSubstitutionLimit) {
    const int limit = FileServerImpl::MaxAliasSubstitutions;
    FileServerImpl server;
    server.setAlias("aa", "bb:");
    server.setAlias("bb", "aa:");
    // Each substitution adds one joining slash; the limit is even, so the text is back at "aa".
    ASSERT_EQ(limit % 2, 0);
    EXPECT_EQ(server.resolve("aa:x"), "aa:" + std::string(limit, '/') + "x");
    // Chains id0 -> id1 -> ... -> "/end" of exactly the limit and of one link more.
    for (const int links : {limit, limit + 1}) {
        FileServerImpl chained;
        const auto id = [](int link) { return "id" + std::to_string(link); };
        for (int link = 0; link < links; ++link)
            chained.setAlias(id(link).c_str(),
                             link + 1 < links ? (id(link + 1) + ":").c_str() : "/end");
        const std::string stop = links == limit ? "/end" : id(limit) + ":";
        EXPECT_EQ(chained.resolve("id0:f"), stop + std::string(limit, '/') + "f") << links;
    }
}

TEST_F(FileServerImplTest, MovesThroughAliasesButNeverReplaces) {
    folder.write("from.txt", "one");
    folder.write("taken.txt", "two");
    EXPECT_FALSE(server.move("tst:from.txt", "tst:taken.txt"));
    EXPECT_EQ(folder.read("from.txt"), "one");
    EXPECT_EQ(folder.read("taken.txt"), "two");
    EXPECT_FALSE(server.move("tst:missing.txt", "tst:to.txt"));
    EXPECT_TRUE(server.move("tst:from.txt", "tst:to.txt"));
    EXPECT_EQ(folder.read("to.txt"), "one");
    EXPECT_FALSE(fs::exists(folder / "from.txt"));
}

TEST_F(FileServerImplTest, ReplacesInOneStepThroughAliasesOnlyWhereItCan) {
    folder.write("new.txt", "new");
    folder.write("old.txt", "old and longer");
    EXPECT_TRUE(server.replace("tst:new.txt", "tst:old.txt"));
    EXPECT_EQ(folder.read("old.txt"), "new");
    EXPECT_FALSE(fs::exists(folder / "new.txt"));
    EXPECT_TRUE(server.replace("tst:old.txt", "tst:fresh.txt")) << "no file to replace";
    EXPECT_EQ(folder.read("fresh.txt"), "new");
    EXPECT_FALSE(server.replace("tst:missing.txt", "tst:fresh.txt"));
    fs::create_directories(folder / "busy/inside");
    EXPECT_FALSE(server.replace("tst:fresh.txt", "tst:busy"));
    EXPECT_EQ(folder.read("fresh.txt"), "new");
    EXPECT_TRUE(fs::is_directory(folder / "busy/inside"));
}

// Writes never go into a package, whatever it holds.
TEST_F(FileServerImplTest, WritesGoToTheDiskEvenWhereAPackageHoldsThePath) {
    server.mountPackage("in memory", package.vector());
    {
        const Testing::ScopedCurrentDirectory inFolder(folder.path());
        const auto out = server.open("only.txt", Cobalt::IO::Out | Cobalt::IO::Trunc);
        ASSERT_TRUE(out);
        EXPECT_TRUE(out->write({'d', 'i', 's', 'k'}, 4));
    }
    EXPECT_EQ(folder.read("only.txt"), "disk");
    const std::string bytes("a\0b\xff", 4);
    ASSERT_TRUE(server.writeFile("tst:only.txt", std::vector<char>(bytes.begin(), bytes.end())));
    EXPECT_EQ(folder.read("only.txt"), bytes);
    ASSERT_TRUE(server.writeFile("tst:only.txt", {}));
    EXPECT_EQ(folder.read("only.txt"), "") << "truncated";
    EXPECT_FALSE(server.writeFile("tst:no-such-folder/x.txt", {'x'}));
    fs::create_directories(folder / "folder");
    EXPECT_FALSE(server.writeFile("tst:folder", {'x'}));
}

TEST_F(FileServerImplTest, ReadFileTakesWholeFilesAndLeavesTheOutputOtherwise) {
    const std::string bytes("line\r\n\0\xff", 8);
    folder.write("whole.bin", bytes);
    folder.write("empty.bin", "");
    server.addFileSystem(std::make_unique<ShortFileSystem>());
    std::vector<char> out{'o', 'l', 'd', ' ', 'a', 'n', 'd', ' ', 'l', 'o', 'n', 'g'};
    ASSERT_TRUE(server.readFile("tst:whole.bin", out));
    EXPECT_EQ(textOf(out), bytes);
    out = {'k'};
    EXPECT_TRUE(server.readFile("tst:empty.bin", out));
    EXPECT_EQ(textOf(out), "k");
    EXPECT_FALSE(server.readFile("tst:missing.bin", out));
    EXPECT_FALSE(server.readFile("virtual.txt", out)) << "a short read is a failure";
    EXPECT_EQ(textOf(out), "k");
}

TEST_F(FileServerImplTest, BrokenOrMissingPackagesThrowAndMountNothing) {
    EXPECT_EQ(failureOf([&] { server.mountPackage("tst:missing.zip"); }),
              "cannot open ZIP package tst:missing.zip");
    package.endRecord().thisDisk = 3;
    folder.write("broken.zip", package.bytes());
    EXPECT_EQ(failureOf([&] { server.mountPackage("tst:broken.zip"); }),
              "File tst:broken.zip : Unsupported format");
    EXPECT_EQ(server.getMountedNames(), Names{"root"});
    EXPECT_FALSE(server.exists("only.txt"));
}

TEST_F(FileServerImplTest, MountsPackagesUnderTheirNamesButNeverUnmountsTheRootDisk) {
    folder.write("pkg.zip", package.bytes());
    server.mountPackage("tst:pkg.zip");
    server.mountPackage("in memory", package.vector());
    Names names = server.getMountedNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Names{"in memory", "root", "tst:pkg.zip"}));
    std::vector<char> out;
    ASSERT_TRUE(server.readFile("data/inner.txt", out));
    EXPECT_EQ(textOf(out), "a nested, deflated entry");

    server.unmount("tst:pkg.zip");
    EXPECT_TRUE(server.exists("only.txt"));
    server.unmount("in memory");
    EXPECT_FALSE(server.exists("only.txt"));
    EXPECT_TRUE(server.remove("tst:pkg.zip")) << "the unmounted package must be closed";

    // The root disk stays, whatever is asked.
    server.unmount("root");
    EXPECT_EQ(failureOf([&] { server.removeFileSystem("root"); }),
              "cannot remove root file system");
    EXPECT_EQ(server.getMountedNames(), Names{"root"});
    EXPECT_TRUE(server.open("tst:still-writable.txt", Cobalt::IO::Out));
}

TEST(FileServerAliasTest, BuiltInAliasesNameTheProgramAndSystemFoldersUntilRemoved) {
    FileServerImpl server;
    const std::pair<const char *, std::string> aliases[] = {
        {"home", Cobalt::executableFolder()},
        {"_temp", Cobalt::tempFolder()},
        {"_user", Cobalt::documentsFolder()},
        {"_data", Cobalt::commonAppDataFolder()}};
    for (const auto &[id, target] : aliases) {
        const std::string path = std::string(id) + ":f.txt";
        EXPECT_EQ(server.resolve(path), target.empty() ? path : target + "/f.txt") << id;
        server.removeAlias(id);
        EXPECT_EQ(server.resolve(path), path) << id;
    }
    server.removeAlias(nullptr);
    server.removeAlias("never defined");
}

TEST_F(FileServerImplTest, RemoveAndExistsTakeFilesOnly) {
    fs::create_directories(folder / "sub");
    folder.write("file.txt", "x");
    EXPECT_FALSE(server.exists("tst:sub"));
    EXPECT_FALSE(server.remove("tst:sub"));
    EXPECT_TRUE(fs::is_directory(folder / "sub"));
    EXPECT_FALSE(server.remove("tst:missing.txt"));
    EXPECT_TRUE(server.exists("tst:file.txt"));
    EXPECT_TRUE(server.remove("tst:file.txt"));
    EXPECT_FALSE(fs::exists(folder / "file.txt"));
}

} // namespace
