// The Windows native file calls where volumes differ: under Wine, Z:\dev\shm is a RAM file system,
// another volume than the prefix's temporary folder, as D: is beside C:.
#include "platform/NativeFile.h"
#include "platform/SystemHelpers.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

std::string contentsOf(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(NativeFileWin32Test, ReplacesAFileOnAnotherVolume) {
    const std::string name = "brightwell-replace-" + std::to_string(GetCurrentProcessId()) + "\\";
    const std::string ram = "Z:\\dev\\shm\\" + name, disk = Cobalt::tempFolder() + name;
    fs::create_directories(disk);
    std::error_code error;
    fs::create_directories(ram, error);
    std::ofstream(ram + "probe") << "probe";
    // A plain move between them must fail, or this test would not cross volumes.
    if (MoveFileExA((ram + "probe").c_str(), (disk + "probe").c_str(), 0) ||
        GetLastError() != ERROR_NOT_SAME_DEVICE) {
        fs::remove_all(disk);
        fs::remove_all(ram, error);
        GTEST_SKIP() << "no second volume (Z:\\dev\\shm under Wine)";
    }
    std::ofstream(ram + "manifest.xml") << "new";
    std::ofstream(disk + "manifest.xml") << "old";

    EXPECT_TRUE(Cobalt::Platform::replaceFile(ram + "manifest.xml", disk + "manifest.xml"));
    EXPECT_EQ(contentsOf(disk + "manifest.xml"), "new");
    EXPECT_FALSE(fs::exists(ram + "manifest.xml"));
    EXPECT_EQ(std::distance(fs::directory_iterator(disk), {}), 1) << "no copy left behind";
    fs::remove_all(disk);
    fs::remove_all(ram);
}

} // namespace
