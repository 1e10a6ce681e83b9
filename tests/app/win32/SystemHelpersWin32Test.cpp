// Tests of the operating-system helpers that only hold on Windows.
#include "platform/SystemHelpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

TEST(SystemHelpersWin32Test, NamesTheModuleFileAndTheWindowsFolders) {
    const std::string path = Cobalt::executablePath(), documents = Cobalt::documentsFolder();
    ASSERT_GE(path.size(), 4u);
    ASSERT_FALSE(documents.empty());
    EXPECT_EQ(path.substr(path.size() - 4), ".exe");
    EXPECT_EQ(Cobalt::tempFolder().back(), '\\');
    EXPECT_NE(documents.back(), '\\');
    EXPECT_TRUE(std::filesystem::is_directory(documents)) << documents;
}

} // namespace
