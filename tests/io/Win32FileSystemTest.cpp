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
namespace Mode = Cobalt::IO;
namespace fs = std::filesystem;

namespace {

std::string executableName() {
    return Cobalt::executablePath().substr(Cobalt::executableFolder().size() + 1);
}

std::vector<std::string> sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

class Win32FileSystemTest : public ::testing::Test {
protected:
    void makeFolder(const std::string &relative) { fs::create_directories(folder / relative); }

    Testing::TempFolder folder;
    Win32FileSystem disk;
};

TEST_F(Win32FileSystemTest, IsTheRootInTheExecutablesFolder) {
    EXPECT_EQ(disk.getName(), "root");
    EXPECT_EQ(disk.getHomeFolder(), Cobalt::executableFolder());
    EXPECT_TRUE(fs::equivalent(fs::current_path(), disk.getHomeFolder()));
}

TEST_F(Win32FileSystemTest, FindsAnAbsolutePathUnderTheEmptyRoot) {
    folder.write("a.txt", "a");
    std::string native;
    ASSERT_TRUE(disk.findFile(folder / "a.txt", native));
    EXPECT_EQ(native, folder / "a.txt");
    EXPECT_TRUE(disk.exists(folder / "a.txt"));
}

TEST_F(Win32FileSystemTest, MissingFileLeavesNativeUnchanged) {
    std::string native = "unchanged";
    EXPECT_FALSE(disk.findFile(folder / "missing.txt", native));
    EXPECT_EQ(native, "unchanged");
    EXPECT_FALSE(disk.exists(folder / "missing.txt"));
}

TEST_F(Win32FileSystemTest, FoldersNeverExist) {
    makeFolder("sub");
    EXPECT_FALSE(disk.exists(folder / "sub"));
    EXPECT_FALSE(disk.exists(folder.path()));
    std::string native;
    EXPECT_FALSE(disk.findFile(folder / "sub", native));
}

TEST_F(Win32FileSystemTest, EmptyRootIsTriedBeforeTheHomeFolder) {
    const std::string name = executableName();
    makeFolder("work");
    makeFolder("elsewhere");
    folder.write("work/" + name, "a stand-in");
    std::string native;
    {
        Testing::ScopedCurrentDirectory inWork(folder / "work");
        ASSERT_TRUE(disk.findFile(name, native));
        EXPECT_EQ(native, name);
    }
    {
        Testing::ScopedCurrentDirectory inElsewhere(folder / "elsewhere");
        ASSERT_TRUE(disk.findFile(name, native));
        EXPECT_EQ(native, disk.getHomeFolder() + Cobalt::Platform::preferredSeparator() + name);
    }
}

TEST_F(Win32FileSystemTest, SearchRootsAreTriedInByteOrder) {
    makeFolder("b");
    makeFolder("a");
    folder.write("b/f.txt", "b");
    folder.write("a/f.txt", "a");
    disk.addSearchPath(folder / "b/");
    disk.addSearchPath(folder / "a/");
    std::string native;
    ASSERT_TRUE(disk.findFile("f.txt", native));
    EXPECT_EQ(native, folder / "a/f.txt");
}

TEST_F(Win32FileSystemTest, SearchRootGainsTheNativeSeparator) {
    makeFolder("roots");
    folder.write("roots/f.txt", "f");
    disk.addSearchPath(folder / "roots");
    std::string native;
    ASSERT_TRUE(disk.findFile("f.txt", native));
    EXPECT_EQ(native, folder / "roots" + Cobalt::Platform::preferredSeparator() + "f.txt");
}

TEST_F(Win32FileSystemTest, FolderWithAndWithoutSeparatorIsOneRoot) {
    makeFolder("roots");
    folder.write("roots/f.txt", "f");
    const std::string bare = folder / "roots";
    const std::string withSeparator = bare + Cobalt::Platform::preferredSeparator();

    disk.addSearchPath(bare);
    disk.addSearchPath(withSeparator);
    disk.removeSearchPath(bare);
    EXPECT_FALSE(disk.exists("f.txt"));

    disk.addSearchPath(withSeparator);
    disk.removeSearchPath(withSeparator);
    EXPECT_FALSE(disk.exists("f.txt"));
}

TEST_F(Win32FileSystemTest, ReadsOpenTheFileFoundUnderARoot) {
    makeFolder("data");
    folder.write("data/r.txt", "found");
    disk.addSearchPath(folder / "data/");
    auto stream = disk.open("r.txt", Mode::In);
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->getName(), folder / "data/r.txt");
    std::vector<char> bytes;
    ASSERT_TRUE(stream->read(bytes, 100));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "found");
}

TEST_F(Win32FileSystemTest, ReadOfAMissingFileGivesNone) {
    EXPECT_FALSE(disk.open(folder / "missing.txt", Mode::In));
}

TEST_F(Win32FileSystemTest, WritesCreateTheFileAtExactlyThatPath) {
    makeFolder("cwd");
    makeFolder("other");
    disk.addSearchPath(folder / "other/");
    {
        Testing::ScopedCurrentDirectory inCwd(folder / "cwd");
        auto stream = disk.open("made.txt", Mode::Out);
        ASSERT_TRUE(stream);
        EXPECT_TRUE(stream->write({'n', 'e', 'w'}, 3));
    }
    EXPECT_EQ(folder.read("cwd/made.txt"), "new");
    EXPECT_FALSE(fs::exists(folder / "other/made.txt"));

    auto absolute = disk.open(folder / "absolute.txt", Mode::Out);
    ASSERT_TRUE(absolute);
    absolute.reset();
    EXPECT_TRUE(fs::is_regular_file(folder / "absolute.txt"));
}

TEST_F(Win32FileSystemTest, WriteIntoAMissingFolderGivesNone) {
    EXPECT_FALSE(disk.open(folder / "no/such/folder.txt", Mode::Out));
}

struct ModeCase {
    int mode;
    const char *after; // the file's bytes after "XY" is written over "hello"; null: refused
};

std::ostream &operator<<(std::ostream &out, const ModeCase &modeCase) {
    return out << "mode " << modeCase.mode;
}

class Win32FileSystemModeTest : public Win32FileSystemTest,
                                public ::testing::WithParamInterface<ModeCase> {};

TEST_P(Win32FileSystemModeTest, OpensLikeTheStandardFileBuffer) {
    folder.write("m.txt", "hello");
    const ModeCase &modeCase = GetParam();
    auto stream = disk.open(folder / "m.txt", modeCase.mode);
    if (!modeCase.after) {
        EXPECT_FALSE(stream);
        EXPECT_EQ(folder.read("m.txt"), "hello");
        return;
    }
    ASSERT_TRUE(stream);
    EXPECT_TRUE(stream->write({'X', 'Y'}, 2));
    stream.reset();
    EXPECT_EQ(folder.read("m.txt"), modeCase.after);
}

INSTANTIATE_TEST_SUITE_P(StandardTable, Win32FileSystemModeTest,
                         ::testing::Values(ModeCase{Mode::Out, "XY"},
                                           ModeCase{Mode::Out | Mode::Trunc, "XY"},
                                           ModeCase{Mode::App, "helloXY"},
                                           ModeCase{Mode::Out | Mode::App, "helloXY"},
                                           ModeCase{Mode::In | Mode::Out, "XYllo"},
                                           ModeCase{Mode::In | Mode::Out | Mode::Trunc, "XY"},
                                           ModeCase{Mode::In | Mode::App, "helloXY"},
                                           ModeCase{Mode::In | Mode::Out | Mode::App, "helloXY"},
                                           ModeCase{Mode::In | Mode::Out | Mode::Ate, "helloXY"},
                                           ModeCase{Mode::In | Mode::Trunc, nullptr},
                                           ModeCase{Mode::Out | Mode::App | Mode::Trunc, nullptr},
                                           ModeCase{Mode::Trunc, nullptr}, ModeCase{0, nullptr}));

TEST_F(Win32FileSystemTest, CreatesOnlyTheFoldersOfAFilePath) {
    EXPECT_TRUE(disk.createDirectory(folder / "a/b/file.txt"));
    EXPECT_TRUE(fs::is_directory(folder / "a/b"));
    EXPECT_FALSE(fs::exists(folder / "a/b/file.txt"));
}

TEST_F(Win32FileSystemTest, CreatesAWholeFolderPathEndingInASeparator) {
    EXPECT_TRUE(disk.createDirectory(folder / "x/y/z/"));
    EXPECT_TRUE(fs::is_directory(folder / "x/y/z"));
}

TEST_F(Win32FileSystemTest, CreatesFoldersWithBackslashes) {
    if (Cobalt::Platform::preferredSeparator() != '\\')
        GTEST_SKIP() << "a backslash is an ordinary file-name character here";
    EXPECT_TRUE(disk.createDirectory(folder / "p\\q\\r\\"));
    EXPECT_TRUE(fs::is_directory(folder / "p/q/r"));
}

TEST_F(Win32FileSystemTest, ExistingFolderIsNotCreatedAgain) {
    makeFolder("there");
    EXPECT_FALSE(disk.createDirectory(folder / "there/"));
    EXPECT_FALSE(disk.createDirectory(folder / "there/file.txt"));
    EXPECT_TRUE(fs::is_directory(folder / "there"));
}

TEST_F(Win32FileSystemTest, PathWithoutSeparatorCreatesNothing) {
    Testing::ScopedCurrentDirectory inFolder(folder.path());
    EXPECT_FALSE(disk.createDirectory("plain"));
    EXPECT_FALSE(disk.createDirectory(""));
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

TEST_F(Win32FileSystemTest, MovesAFoundFile) {
    folder.write("from.txt", "one");
    EXPECT_TRUE(disk.move(folder / "from.txt", folder / "to.txt"));
    EXPECT_FALSE(fs::exists(folder / "from.txt"));
    EXPECT_EQ(folder.read("to.txt"), "one");
}

TEST_F(Win32FileSystemTest, MoveFindsItsSourceUnderARoot) {
    makeFolder("src");
    folder.write("src/m.txt", "moved");
    disk.addSearchPath(folder / "src/");
    EXPECT_TRUE(disk.move("m.txt", folder / "dst.txt"));
    EXPECT_EQ(folder.read("dst.txt"), "moved");
}

TEST_F(Win32FileSystemTest, MoveNeverReplacesTheDestination) {
    folder.write("from.txt", "one");
    folder.write("to.txt", "two");
    EXPECT_FALSE(disk.move(folder / "from.txt", folder / "to.txt"));
    EXPECT_EQ(folder.read("from.txt"), "one");
    EXPECT_EQ(folder.read("to.txt"), "two");
}

TEST_F(Win32FileSystemTest, MoveOfAMissingFileFails) {
    EXPECT_FALSE(disk.move(folder / "missing.txt", folder / "to.txt"));
    EXPECT_FALSE(fs::exists(folder / "to.txt"));
}

TEST_F(Win32FileSystemTest, ListsFilesAndFoldersApart) {
    folder.write("f1.txt", "1");
    folder.write("f2.bin", "2");
    makeFolder("d1");
    makeFolder("d2/inner");
    folder.write("d1/hidden.txt", "not listed");

    std::vector<std::string> files{"kept"};
    disk.listFiles(folder.path(), files);
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(files.front(), "kept");
    EXPECT_EQ(sorted(files), (std::vector<std::string>{"f1.txt", "f2.bin", "kept"}));

    std::vector<std::string> folders;
    disk.listDirectories(folder.path(), folders);
    EXPECT_EQ(sorted(folders), (std::vector<std::string>{"d1", "d2"}));
}

TEST_F(Win32FileSystemTest, ListingAMissingFolderAppendsNothing) {
    std::vector<std::string> names;
    disk.listFiles(folder / "missing/", names);
    disk.listDirectories(folder / "missing/", names);
    EXPECT_TRUE(names.empty());
}

} // namespace
