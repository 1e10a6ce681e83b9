// Tests of the operating-system helpers that behave alike on every system.
#include "platform/SystemHelpers.h"

#include "tests/support/ScopedCurrentDirectory.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>
#include <string>

namespace {

bool isSeparator(char character) { return character == '/' || character == '\\'; }

TEST(SystemHelpersTest, ExecutablePathAndFolderNameThisTestProgram) {
    const std::string path = Cobalt::executablePath();
    const std::string folder = Cobalt::executableFolder();
    ASSERT_FALSE(folder.empty());
    ASSERT_LT(folder.size(), path.size());
    EXPECT_EQ(path.compare(0, folder.size(), folder), 0);
    EXPECT_TRUE(isSeparator(path[folder.size()]));
    EXPECT_EQ(path.find_first_of("\\/", folder.size() + 1), std::string::npos);
    EXPECT_EQ(path.compare(folder.size() + 1, 12, "engine_tests"), 0) << path;
    EXPECT_TRUE(std::filesystem::is_regular_file(path)) << path;
    EXPECT_TRUE(std::filesystem::is_directory(folder)) << folder;
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

TEST(SystemHelpersTest, SetCurrentDirectoryMovesTheProcessOrRefuses) {
    const Testing::TempFolder temp;
    // Named without a trailing separator, which the Windows C runtime cannot stat.
    const std::string folder = temp / "here";
    std::filesystem::create_directory(folder);
    const Testing::ScopedCurrentDirectory inside(folder);
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), folder));
    EXPECT_FALSE(Cobalt::setCurrentDirectory(temp / "missing"));
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), folder));
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

TEST(SystemHelpersTest, CurrentTimeTextHasTheAsctimeShapeAndTheCurrentYear) {
    const std::string text = Cobalt::currentTimeText();
    // The Windows C runtime pads the day with a zero where others pad with a blank.
    const std::regex shape("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) "
                           "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                           "[ 0-3]\\d [0-2]\\d:[0-5]\\d:[0-6]\\d (\\d{4})\n");
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(text, parts, shape)) << text;
    const std::time_t now = std::time(nullptr);
    EXPECT_EQ(std::stoi(parts[3]), std::localtime(&now)->tm_year + 1900);
}

} // namespace
