// The disk file system over real folders: search roots, opening, folders, moves and listings.
#include "io/Win32FileSystem.h"
#include "io/OpenMode.h"
#include "platform/NativeFile.h"
#include "platform/SystemHelpers.h"
#include "tests/support/ScopedCurrentDirectory.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using Cobalt::IO::Win32FileSystem;
using Names = std::vector<std::string>;
namespace Mode = Cobalt::IO;
namespace fs = std::filesystem;

namespace {

const std::string Separator(1, Cobalt::Platform::preferredSeparator());

class Win32FileSystemTest : public ::testing::Test {
protected:
    void makeFolder(const std::string &relative) { fs::create_directories(folder / relative); }

    Testing::TempFolder folder;
    Win32FileSystem disk;
};

TEST_F(Win32FileSystemTest, FindsFilesButNeverFolders) {
    folder.write("a.txt", "a");
    makeFolder("sub");
    std::string native;
    ASSERT_TRUE(disk.findFile(folder / "a.txt", native));
    EXPECT_EQ(native, folder / "a.txt");
    EXPECT_TRUE(disk.exists(folder / "a.txt"));
    for (const std::string &absent : {folder / "missing.txt", folder / "sub", folder.path()}) {
        native = "unchanged";
        EXPECT_FALSE(disk.findFile(absent, native)) << absent;
        EXPECT_EQ(native, "unchanged");
        EXPECT_FALSE(disk.exists(absent)) << absent;
    }
}

TEST_F(Win32FileSystemTest, TriesTheEmptyRootThenTheHomeFolderWhichItEnters) {
    EXPECT_EQ(disk.getHomeFolder(), Cobalt::executableFolder());
    EXPECT_TRUE(fs::equivalent(fs::current_path(), disk.getHomeFolder()));
    const std::string name = Cobalt::executablePath().substr(Cobalt::executableFolder().size() + 1);
    makeFolder("work");
    makeFolder("elsewhere");
    folder.write("work/" + name, "a stand-in");
    std::string native;
    {
        Testing::ScopedCurrentDirectory inWork(folder / "work");
        ASSERT_TRUE(disk.findFile(name, native));
        EXPECT_EQ(native, name);
    }
    Testing::ScopedCurrentDirectory inElsewhere(folder / "elsewhere");
    ASSERT_TRUE(disk.findFile(name, native));
    EXPECT_EQ(native, disk.getHomeFolder() + Separator + name);
}

TEST_F(Win32FileSystemTest, TriesSearchRootsInByteOrderWithOrWithoutSeparator) {
    makeFolder("b");
    makeFolder("a");
    folder.write("b/f.txt", "b");
    folder.write("a/f.txt", "a");
    disk.addSearchPath(folder / "b");
    disk.addSearchPath(folder / "a" + Separator);
    std::string native;
    ASSERT_TRUE(disk.findFile("f.txt", native));
    EXPECT_EQ(native, folder / "a" + Separator + "f.txt");
    disk.removeSearchPath(folder / "a");
    ASSERT_TRUE(disk.findFile("f.txt", native));
    EXPECT_EQ(native, folder / "b" + Separator + "f.txt");

    disk.addSearchPath(folder / "b" + Separator); // the same root again
    disk.removeSearchPath(folder / "b");
    EXPECT_FALSE(disk.exists("f.txt"));
}

TEST_F(Win32FileSystemTest, ReadsTheFileFoundUnderARootAndWritesExactlyThePathGiven) {
    makeFolder("data");
    makeFolder("cwd");
    folder.write("data/r.txt", "found");
    disk.addSearchPath(folder / "data/");
    auto stream = disk.open("r.txt", Mode::In);
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->getName(), folder / "data/r.txt");
    std::vector<char> bytes;
    ASSERT_TRUE(stream->read(bytes, 100));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "found");
    EXPECT_FALSE(disk.open(folder / "missing.txt", Mode::In));

    {
        Testing::ScopedCurrentDirectory inCwd(folder / "cwd");
        stream = disk.open("made.txt", Mode::Out);
        ASSERT_TRUE(stream);
        EXPECT_TRUE(stream->write({'n', 'e', 'w'}, 3));
        stream.reset();
    }
    EXPECT_EQ(folder.read("cwd/made.txt"), "new");
    EXPECT_FALSE(fs::exists(folder / "data/made.txt"));
    EXPECT_FALSE(disk.open(folder / "no/such/folder.txt", Mode::Out));
}

TEST_F(Win32FileSystemTest, OpensLikeTheStandardFileBuffer) {
    // The file's bytes after "XY" is written over "hello"; null: the mode is refused.
    // clang-format off
    const std::pair<int, const char *> modes[] = {
        {Mode::Out, "XY"}, {Mode::Out | Mode::Trunc, "XY"}, {Mode::App, "helloXY"},
        {Mode::Out | Mode::App, "helloXY"}, {Mode::In | Mode::Out, "XYllo"},
        {Mode::In | Mode::Out | Mode::Trunc, "XY"}, {Mode::In | Mode::App, "helloXY"},
        {Mode::In | Mode::Out | Mode::App, "helloXY"}, {Mode::In | Mode::Out | Mode::Ate, "helloXY"},
        {Mode::In | Mode::Trunc, nullptr}, {Mode::Out | Mode::App | Mode::Trunc, nullptr},
        {Mode::Trunc, nullptr}, {0, nullptr}};
    // clang-format on
    for (const auto &[mode, after] : modes) {
        SCOPED_TRACE("mode " + std::to_string(mode));
        folder.write("m.txt", "hello");
        auto stream = disk.open(folder / "m.txt", mode);
        ASSERT_EQ(bool(stream), after != nullptr);
        if (stream) {
            EXPECT_TRUE(stream->write({'X', 'Y'}, 2));
            stream.reset();
        }
        EXPECT_EQ(folder.read("m.txt"), after ? after : "hello");
    }
}

TEST_F(Win32FileSystemTest, CreatesEveryMissingFolderOfAPath) {
    EXPECT_TRUE(disk.createDirectory(folder / "a/b/file.txt"));
    EXPECT_TRUE(fs::is_directory(folder / "a/b"));
    EXPECT_FALSE(fs::exists(folder / "a/b/file.txt"));
    EXPECT_TRUE(disk.createDirectory(folder / "x/y/z/"));
    EXPECT_TRUE(fs::is_directory(folder / "x/y/z"));
    if (Separator == "\\") {
        EXPECT_TRUE(disk.createDirectory(folder / "p\\q\\r\\"));
        EXPECT_TRUE(fs::is_directory(folder / "p/q/r"));
    }
}

TEST_F(Win32FileSystemTest, CreatesNothingWhereThereIsNothingToCreate) {
    makeFolder("there");
    EXPECT_FALSE(disk.createDirectory(folder / "there/"));
    EXPECT_FALSE(disk.createDirectory(folder / "there/file.txt"));
    Testing::ScopedCurrentDirectory inFolder(folder / "there");
    EXPECT_FALSE(disk.createDirectory("plain"));
    EXPECT_FALSE(disk.createDirectory(""));
    EXPECT_TRUE(fs::is_empty(folder / "there"));
}

TEST_F(Win32FileSystemTest, MovesAFoundFileButNeverReplaces) {
    makeFolder("src");
    folder.write("src/m.txt", "moved");
    folder.write("taken.txt", "two");
    disk.addSearchPath(folder / "src/");
    EXPECT_FALSE(disk.move("m.txt", folder / "taken.txt"));
    EXPECT_EQ(folder.read("src/m.txt"), "moved");
    EXPECT_EQ(folder.read("taken.txt"), "two");
    EXPECT_FALSE(disk.move(folder / "missing.txt", folder / "to.txt"));
    EXPECT_FALSE(fs::exists(folder / "to.txt"));

    EXPECT_TRUE(disk.move("m.txt", folder / "to.txt"));
    EXPECT_EQ(folder.read("to.txt"), "moved");
    EXPECT_FALSE(fs::exists(folder / "src/m.txt"));
}

TEST_F(Win32FileSystemTest, ListsFilesAndFoldersApart) {
    folder.write("f1.txt", "1");
    folder.write("f2.bin", "2");
    makeFolder("d1");
    makeFolder("d2/inner");
    folder.write("d1/hidden.txt", "not listed");
    Names files{"kept"}, folders;
    disk.listFiles(folder.path(), files);
    disk.listDirectories(folder.path(), folders);
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(files.front(), "kept");
    std::sort(files.begin(), files.end());
    std::sort(folders.begin(), folders.end());
    EXPECT_EQ(files, (Names{"f1.txt", "f2.bin", "kept"}));
    EXPECT_EQ(folders, (Names{"d1", "d2"}));

    Names none;
    disk.listFiles(folder / "missing/", none);
    disk.listDirectories(folder / "missing/", none);
    EXPECT_TRUE(none.empty());
}

} // namespace
