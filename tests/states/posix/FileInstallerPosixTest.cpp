// What only POSIX file systems show: a disk that fills up while a file is installed (made real
// with the process's file size limit) and the permission bits of installed files.
#include "states/FileInstaller.h"

#include "io/ZIPPackage.h"
#include "tests/states/UpdateTestSupport.h"
#include "tests/support/WholeInstall.h"
#include "tests/support/ZipWriter.h"
#include "tests/support/posix/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class FileInstallerPosixTest : public Testing::InstallationTest {};

TEST_F(FileInstallerPosixTest, AFullDiskLeavesTheOldFileAndNoHalfWrittenOne) {
    Testing::ZipWriter package;
    package.add("game.exe", std::string(50000, 'n'));
    Cobalt::IO::ZIPPackage &mounted = files.mountPackage("main.zip", package.vector());
    place("game.exe", "old game");
    Kestrel::FileInstaller installer(files, [](const std::string &, const std::string &) {});

    Kestrel::InstallResult result;
    {
        const Testing::FileSizeLimit nearlyFull(4096);
        result = Testing::installWhole(installer, {"game.exe", "", Kestrel::FileActionKind::Replace}, &mounted);
    }

    EXPECT_EQ(result.outcome, Kestrel::InstallOutcome::WriteFailed);
    EXPECT_EQ(result.message(), "Could not write the local file game.exe.");
    EXPECT_EQ(installed("game.exe"), "old game");
    EXPECT_TRUE(std::filesystem::is_empty(folder / ".brightwell"));
}

mode_t permissions(const std::filesystem::path &path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

TEST_F(FileInstallerPosixTest, ProgramsStartRunnableAndReplacedFilesKeepTheirPermissions) {
    Testing::ZipWriter package;
    for (const char *name : {"game.sh", "secret.cfg", "setup.sh"})
        package.add(name, "#!/bin/sh\n");
    Cobalt::IO::ZIPPackage &mounted = files.mountPackage("main.zip", package.vector());
    place("game.sh", "old");
    place("secret.cfg", "old");
    chmod((folder / "game.sh").c_str(), 0751);
    chmod((folder / "secret.cfg").c_str(), 0600);
    mode_t atStart = 0;
    Kestrel::FileInstaller installer(files, [&](const std::string &path, const std::string &) {
        atStart = permissions(folder / path);
    });
    const auto carryOut = [&](const char *name, Kestrel::FileActionKind kind) {
        return Testing::installWhole(installer, {name, "", kind}, &mounted).succeeded();
    };

    ASSERT_TRUE(carryOut("game.sh", Kestrel::FileActionKind::Replace));
    ASSERT_TRUE(carryOut("secret.cfg", Kestrel::FileActionKind::Replace));
    // New files get 0666 less the mask; the usual mask of 022 makes setup.sh 0644 before the start.
    const mode_t previousMask = umask(022);
    const bool executed = carryOut("setup.sh", Kestrel::FileActionKind::Execute);
    umask(previousMask);
    ASSERT_TRUE(executed);

    EXPECT_EQ(permissions(folder / "game.sh"), 0751u);
    EXPECT_EQ(permissions(folder / "secret.cfg"), 0600u);
    EXPECT_EQ(atStart, 0755u);
    EXPECT_EQ(installed("setup.sh"), "#!/bin/sh\n");
}

} // namespace
