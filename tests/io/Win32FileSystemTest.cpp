// The disk file system over real folders: search roots and folder creation.
#include "io/Win32FileSystem.h"
#include "io/OpenMode.h"
#include "io/Stream.h"
#include "platform/NativeFile.h"
#include "platform/SystemHelpers.h"
#include "tests/support/ScopedCurrentDirectory.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

const std::string Separator(1, Cobalt::Platform::preferredSeparator());

class Win32FileSystemTest : public ::testing::Test {
protected:
    void makeFolder(const std::string &relative) { fs::create_directories(folder / relative); }

    Testing::TempFolder folder;
    Cobalt::IO::Win32FileSystem disk;
};

TEST_F(Win32FileSystemTest, TriesTheEmptyRootThenSearchRootsInByteOrderThenHome) {
    const std::string exe = Cobalt::executablePath().substr(Cobalt::executableFolder().size() + 1);
    for (const char *sub : {"a", "b", "work"})
        makeFolder(sub);
    folder.write("b/f.txt", "b");
    folder.write("a/f.txt", "a");
    folder.write("work/" + exe, "a stand-in");
    disk.addSearchPath(folder / "b");
    disk.addSearchPath(folder / "a" + Separator);
    std::string native = "unchanged";
    EXPECT_FALSE(disk.findFile(folder / "a", native)) << "folders are never found";
    EXPECT_EQ(native, "unchanged");
    ASSERT_TRUE(disk.findFile("f.txt", native));
    EXPECT_EQ(native, folder / "a" + Separator + "f.txt");
    disk.removeSearchPath(folder / "a");
    ASSERT_TRUE(disk.findFile("f.txt", native));
    EXPECT_EQ(native, folder / "b" + Separator + "f.txt");

    EXPECT_TRUE(fs::equivalent(fs::current_path(), disk.getHomeFolder()));
    {
        Testing::ScopedCurrentDirectory inWork(folder / "work");
        ASSERT_TRUE(disk.findFile(exe, native));
        EXPECT_EQ(native, exe);
    }
    Testing::ScopedCurrentDirectory inB(folder / "b");
    ASSERT_TRUE(disk.findFile(exe, native));
    EXPECT_EQ(native, disk.getHomeFolder() + Separator + exe);
}

TEST_F(Win32FileSystemTest, CreatesEveryMissingFolderOfAPathAndNothingElse) {
    EXPECT_TRUE(disk.createDirectory(folder / "a/b/file.txt"));
    EXPECT_TRUE(fs::is_directory(folder / "a/b"));
    EXPECT_FALSE(fs::exists(folder / "a/b/file.txt"));
    EXPECT_TRUE(disk.createDirectory(folder / "x/y/z/"));
    EXPECT_TRUE(fs::is_directory(folder / "x/y/z"));

    EXPECT_FALSE(disk.createDirectory(folder / "x/y/z/"));
    EXPECT_FALSE(disk.createDirectory(folder / "x/y/z/file.txt"));
    Testing::ScopedCurrentDirectory inZ(folder / "x/y/z");
    EXPECT_FALSE(disk.createDirectory("plain"));
    EXPECT_FALSE(disk.createDirectory(""));
    EXPECT_TRUE(fs::is_empty(folder / "x/y/z"));
}

TEST_F(Win32FileSystemTest, ListsFilesAndFoldersApartAndWritesExactlyThePathGiven) {
    makeFolder("top/sub");
    makeFolder("top/.hidden");
    folder.write("top/a.txt", "a");
    folder.write("top/b.txt", "b");
    std::vector<std::string> files, folders;
    disk.listFiles(folder / "top" + Separator, files);
    disk.listDirectories(folder / "top" + Separator, folders);
    std::sort(files.begin(), files.end());
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(files, (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(folders, (std::vector<std::string>{".hidden", "sub"}));
    // A search root holds a.txt, yet a write creates the file where the path says.
    disk.addSearchPath(folder / "top");
    const Testing::ScopedCurrentDirectory inSub(folder / "top/sub");
    ASSERT_TRUE(disk.open("a.txt", Cobalt::IO::Out)->write({'n', 'e', 'w'}, 3));
    EXPECT_EQ(folder.read("top/sub/a.txt"), "new");
    EXPECT_EQ(folder.read("top/a.txt"), "a");
}

// Manifests and configurations written for Windows separate folders with backslashes.
TEST_F(Win32FileSystemTest, BackslashesSeparateFoldersOnEverySystem) {
    const std::string town = folder / "data\\maps\\town.map";
    EXPECT_TRUE(disk.createDirectory(town));
    EXPECT_TRUE(fs::is_directory(folder / "data/maps"));
    ASSERT_TRUE(disk.open(town, Cobalt::IO::Out)->write({'t'}, 1));
    EXPECT_EQ(folder.read("data/maps/town.map"), "t");
    EXPECT_TRUE(disk.exists(town));
    std::vector<std::string> files;
    disk.listFiles(folder / "data\\maps\\", files);
    EXPECT_EQ(files, std::vector<std::string>{"town.map"});
    EXPECT_TRUE(disk.move(town, folder / "data\\town.map"));
    EXPECT_EQ(folder.read("data/town.map"), "t");
    std::vector<std::string> top;
    for (const auto &entry : fs::directory_iterator(folder.path()))
        top.push_back(entry.path().filename().string());
    EXPECT_EQ(top, std::vector<std::string>{"data"});
}

} // namespace
