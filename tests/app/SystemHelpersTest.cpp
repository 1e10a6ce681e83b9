// Tests of the operating-system helpers that behave alike on every system.
#include "platform/SystemHelpers.h"
#include "platform/NativeFile.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

namespace {

bool isSeparator(char character) { return character == '/' || character == '\\'; }

TEST(SystemHelpersTest, ExecutablePathIsThisProgramInTheExecutableFolder) {
    const std::string path = Cobalt::executablePath(), folder = Cobalt::executableFolder();
    ASSERT_FALSE(folder.empty());
    ASSERT_LT(folder.size(), path.size());
    EXPECT_EQ(path.compare(0, folder.size(), folder), 0);
    EXPECT_TRUE(isSeparator(path[folder.size()]));
    EXPECT_EQ(path.compare(folder.size() + 1, 12, "engine_tests"), 0) << path;
}

TEST(SystemHelpersTest, SystemFoldersExistAndOnlyTheTempFolderEndsWithASeparator) {
    for (const auto &[folder, endsWithSeparator] :
         {std::pair{Cobalt::tempFolder(), true}, std::pair{Cobalt::commonAppDataFolder(), false}}) {
        SCOPED_TRACE(folder);
        ASSERT_FALSE(folder.empty());
        EXPECT_EQ(isSeparator(folder.back()), endsWithSeparator);
        EXPECT_TRUE(std::filesystem::is_directory(folder));
    }
}

TEST(SystemHelpersTest, RemoveFileReportsWhetherTheFileWasRemoved) {
    const Testing::TempFolder temp;
    temp.write("doomed.txt", "bytes");
    const std::string path = temp / "doomed.txt";
    EXPECT_TRUE(Cobalt::removeFile(path.c_str()));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_FALSE(Cobalt::removeFile(path.c_str()));
    EXPECT_FALSE(Cobalt::removeFile(nullptr));
}

TEST(SystemHelpersTest, ShortenFileCutsTheEndAndReportsWhatIsLeft) {
    const Testing::TempFolder temp;
    temp.write("package.zip", "0123456789");
    const std::string path = temp / "package.zip";
    EXPECT_EQ(Cobalt::Platform::shortenFile(path, 4), std::optional<std::uint64_t>(6));
    EXPECT_EQ(temp.read("package.zip"), "012345");
    EXPECT_EQ(Cobalt::Platform::shortenFile(path, 100), std::optional<std::uint64_t>(0));
    EXPECT_EQ(temp.read("package.zip"), "");
    EXPECT_EQ(Cobalt::Platform::shortenFile(temp / "missing.zip", 4), std::nullopt);
}

// The Windows C runtime pads the day with a zero where others pad with a blank.
TEST(SystemHelpersTest, CurrentTimeTextHasTheAsctimeShape) {
    const std::regex shape("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) "
                           "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                           "[ 0-3]\\d [0-2]\\d:[0-5]\\d:[0-6]\\d \\d{4}\n");
    EXPECT_TRUE(std::regex_match(Cobalt::currentTimeText(), shape)) << Cobalt::currentTimeText();
}

} // namespace
