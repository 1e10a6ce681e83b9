// The POSIX twin of the native file calls: moves and replacements between file systems, which
// rename cannot do, durable writes that cannot be flushed, and new files that never follow a link.
#include "platform/NativeFile.h"

#include "platform/NewFile.h"
#include "platform/SystemHelpers.h"
#include "tests/support/posix/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// The test program links with fsync wrapped, so a test can make the disk refuse a flush.
bool refuseFsync = false;
} // namespace

// The names the linker's --wrap option gives the wrapper and the real call.
extern "C" int __real_fsync(int fd);
extern "C" int __wrap_fsync(int fd) {
    if (!refuseFsync)
        return __real_fsync(fd);
    errno = EIO;
    return -1;
}

namespace {

namespace fs = std::filesystem;
using Cobalt::Platform::moveNoReplace;

std::string contentsOf(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A folder in /dev/shm (a RAM file system on Linux) and one on the disk beside the test program,
// as the launcher meets a tmpfs temporary folder and its installation.
class CrossFileSystemMoveTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string name = "brightwell-move-" + std::to_string(getpid()) + "/";
        ram = "/dev/shm/" + name;
        disk = Cobalt::executableFolder() + "/" + name;
        std::error_code error;
        fs::create_directories(ram, error);
        fs::create_directories(disk, error);
        struct stat ramStatus, diskStatus;
        if (stat(ram.c_str(), &ramStatus) != 0 || stat(disk.c_str(), &diskStatus) != 0 ||
            ramStatus.st_dev == diskStatus.st_dev)
            GTEST_SKIP() << "no second file system beside the build folder";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(ram, ignored);
        fs::remove_all(disk, ignored);
    }

    std::string ram, disk;
};

TEST_F(CrossFileSystemMoveTest, MovesEveryByteWithItsPermissions) {
    std::string bytes;
    for (int i = 0; i < 300000; ++i)
        bytes += static_cast<char>(i * 31 % 256);
    write(ram + "package.zip", bytes);
    chmod((ram + "package.zip").c_str(), 0640);
    ASSERT_TRUE(moveNoReplace(ram + "package.zip", disk + "package.zip"));
    EXPECT_FALSE(fs::exists(ram + "package.zip"));
    EXPECT_TRUE(contentsOf(disk + "package.zip") == bytes);
    struct stat status;
    ASSERT_EQ(stat((disk + "package.zip").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST_F(CrossFileSystemMoveTest, NeverReplacesAndLeavesNoPartialCopy) {
    write(ram + "new.xml", "new");
    write(disk + "old.xml", "old");
    EXPECT_FALSE(moveNoReplace(ram + "new.xml", disk + "old.xml"));
    EXPECT_EQ(contentsOf(ram + "new.xml") + contentsOf(disk + "old.xml"), "newold");
    EXPECT_FALSE(moveNoReplace(ram + "new.xml", disk + "missing/new.xml"));
    EXPECT_FALSE(moveNoReplace(ram + "absent.xml", disk + "absent.xml"));
    EXPECT_FALSE(moveNoReplace(ram, disk + "folder")) << "only files are copied";
    EXPECT_EQ(contentsOf(ram + "new.xml"), "new");
    // The copy stops part way: the destination goes, the source stays whole.
    write(ram + "big.bin", std::string(200000, 'b'));
    {
        const Testing::FileSizeLimit limit(64 * 1024);
        EXPECT_FALSE(moveNoReplace(ram + "big.bin", disk + "big.bin"));
    }
    EXPECT_FALSE(fs::exists(disk + "big.bin"));
    EXPECT_EQ(contentsOf(ram + "big.bin").size(), 200000u);
}

TEST_F(CrossFileSystemMoveTest, ADurableWriteWhoseFlushFailsReportsFailure) {
    refuseFsync = true;
    const bool written = Cobalt::Platform::writeFileDurably(disk + "options.ini", "bytes", 5);
    refuseFsync = false;
    EXPECT_FALSE(written);
    EXPECT_TRUE(Cobalt::Platform::writeFileDurably(disk + "options.ini", "bytes", 5));
}

TEST_F(CrossFileSystemMoveTest, ReplacesInOneStepWithoutTouchingANameBesideTheTarget) {
    write(ram + "manifest.xml", "new");
    write(disk + "manifest.xml", "old");
    // The first name the copy would take beside the target is someone else's file.
    const std::string taken = disk + "manifest.xml.brightwell-" + std::to_string(getpid()) + "-0";
    write(taken, "someone else's");
    ASSERT_TRUE(Cobalt::Platform::replaceFile(ram + "manifest.xml", disk + "manifest.xml"));
    EXPECT_EQ(contentsOf(disk + "manifest.xml"), "new");
    EXPECT_FALSE(fs::exists(ram + "manifest.xml"));
    EXPECT_EQ(contentsOf(taken), "someone else's");
    // The copy stops part way: the target stays as it was, and so does the source.
    write(ram + "big.bin", std::string(200000, 'b'));
    write(disk + "big.bin", "old");
    {
        const Testing::FileSizeLimit limit(64 * 1024);
        EXPECT_FALSE(Cobalt::Platform::replaceFile(ram + "big.bin", disk + "big.bin"));
    }
    EXPECT_EQ(contentsOf(disk + "big.bin"), "old");
    EXPECT_EQ(contentsOf(ram + "big.bin").size(), 200000u);
    EXPECT_EQ(std::distance(fs::directory_iterator(disk), {}), 3) << "no copy left behind";
}

TEST_F(CrossFileSystemMoveTest, ANewFileNeverTakesAnExistingNameOrFollowsALink) {
    write(ram + "target", "kept");
    fs::create_symlink(ram + "target", disk + "link");
    fs::create_symlink(ram + "nowhere", disk + "dangling");
    EXPECT_EQ(Cobalt::Platform::NewFile::create(disk + "link"), nullptr);
    EXPECT_EQ(Cobalt::Platform::NewFile::create(disk + "dangling"), nullptr);
    EXPECT_EQ(Cobalt::Platform::NewFile::create(ram + "target"), nullptr);
    EXPECT_FALSE(fs::exists(ram + "nowhere"));
    // Replacing removes the link itself, and the new file is written where it stood.
    const auto file = Cobalt::Platform::NewFile::createReplacing(disk + "link");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->write("new", 3) && file->truncate(2) && file->write("w!", 2) &&
                file->flushToDevice() && file->close());
    EXPECT_EQ(contentsOf(disk + "link"), "new!");
    EXPECT_EQ(contentsOf(ram + "target"), "kept");
}

} // namespace
