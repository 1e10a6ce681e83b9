// Tests of the operating-system helpers that only hold on Windows.
#include "platform/SystemHelpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

TEST(SystemHelpersWin32Test, ExecutablePathIsTheModuleFile) {
    const std::string path = Cobalt::executablePath();
    ASSERT_GE(path.size(), 4u);
    EXPECT_EQ(path.substr(path.size() - 4), ".exe");
}

TEST(SystemHelpersWin32Test, TempFolderEndsWithABackslash) {
    const std::string folder = Cobalt::tempFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
}

TEST(SystemHelpersWin32Test, DocumentsFolderExists) {
    const std::string folder = Cobalt::documentsFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_TRUE(std::filesystem::is_directory(folder)) << folder;
}

} // namespace
