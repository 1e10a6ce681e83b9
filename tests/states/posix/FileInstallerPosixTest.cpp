// A disk that fills up while a file is installed, made real with the process's file size limit.
#include "states/FileInstaller.h"

#include "tests/states/UpdateTestSupport.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

// Lowers the largest file this process may write, as a nearly full disk would, for one scope.
// Writes beyond it fail with EFBIG instead of stopping the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &previous);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = previous;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit previous{};
    void (*previousHandler)(int) = SIG_DFL;
};

class FileInstallerPosixTest : public Testing::InstallationTest {};

TEST_F(FileInstallerPosixTest, AFullDiskLeavesTheOldFileAndNoHalfWrittenOne) {
    Testing::ZipWriter package;
    package.add("game.exe", std::string(50000, 'n'));
    files.mountPackage("main.zip", package.vector());
    place("game.exe", "old game");
    Kestrel::FileInstaller installer(files, [](const std::string &, const std::string &) {});

    Kestrel::InstallResult result;
    {
        const FileSizeLimit nearlyFull(4096);
        result = installer.carryOut({"game.exe", "", Kestrel::FileActionKind::Replace},
                                    files.findFileSystem("main.zip"));
    }

    EXPECT_EQ(result.outcome, Kestrel::InstallOutcome::WriteFailed);
    EXPECT_EQ(result.message(), "Could not write the local file game.exe.");
    EXPECT_EQ(installed("game.exe"), "old game");
    EXPECT_FALSE(std::filesystem::exists(folder / "game.exe.updating"));
}

} // namespace
