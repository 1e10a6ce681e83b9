// The disk file system over real folders: search roots and folder creation.
#include "io/Win32FileSystem.h"
#include "platform/NativeFile.h"
#include "platform/SystemHelpers.h"
#include "tests/support/ScopedCurrentDirectory.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

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
    EXPECT_FALSE(disk.findFile("a", native)) << "folders are never found";
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

} // namespace
