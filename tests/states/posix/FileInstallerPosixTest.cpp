// A disk that fills up while a file is installed, made real with the process's file size limit.
#include "states/FileInstaller.h"

#include "tests/states/UpdateTestSupport.h"
#include "tests/support/ZipWriter.h"
#include "tests/support/posix/FileSizeLimit.h"

#include <gtest/gtest.h>

namespace {

class FileInstallerPosixTest : public Testing::InstallationTest {};

TEST_F(FileInstallerPosixTest, AFullDiskLeavesTheOldFileAndNoHalfWrittenOne) {
    Testing::ZipWriter package;
    package.add("game.exe", std::string(50000, 'n'));
    files.mountPackage("main.zip", package.vector());
    place("game.exe", "old game");
    Kestrel::FileInstaller installer(files, [](const std::string &, const std::string &) {});

    Kestrel::InstallResult result;
    {
        const Testing::FileSizeLimit nearlyFull(4096);
        result = installer.carryOut({"game.exe", "", Kestrel::FileActionKind::Replace},
                                    files.findFileSystem("main.zip"));
    }

    EXPECT_EQ(result.outcome, Kestrel::InstallOutcome::WriteFailed);
    EXPECT_EQ(result.message(), "Could not write the local file game.exe.");
    EXPECT_EQ(installed("game.exe"), "old game");
    EXPECT_FALSE(std::filesystem::exists(folder / "game.exe.updating"));
}

} // namespace
