// Installing package entries into a real folder: atomic replacement, failures that keep the old
// file.
#include "states/FileInstaller.h"

#include "tests/states/UpdateTestSupport.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

using Kestrel::FileAction;
using Kestrel::FileActionKind;
using Kestrel::InstallOutcome;
namespace fs = std::filesystem;

namespace {

class FileInstallerTest : public Testing::InstallationTest {
protected:
    // Mounts the package (and a decoy holding other bytes under the same names, so that a read
    // through the file server's search could pick either) and returns the package.
    Cobalt::IO::FileSystem *mounted() {
        if (!files.findFileSystem("main.zip")) {
            Testing::ZipWriter decoy;
            for (const char *name : {"game.exe", "data/level.dat", "tool.exe", "empty.txt"})
                decoy.add(name, "decoy bytes");
            files.mountPackage("decoy.zip", decoy.vector());
            files.mountPackage("main.zip", package.vector());
        }
        return files.findFileSystem("main.zip");
    }

    Kestrel::InstallResult carryOut(const std::string &name, FileActionKind kind,
                                    const std::string &args = "") {
        return installer.carryOut(FileAction{name, args, kind}, mounted());
    }

    bool pendingLeftFor(const std::string &name) const {
        return fs::exists(folder / (name + Kestrel::FileInstaller::PendingSuffix));
    }

    Testing::ZipWriter package;
    Kestrel::FileInstaller installer{files, [](const std::string &, const std::string &) {}};
};

TEST_F(FileInstallerTest, ReplacesTheDiskFileWithThePackagesOwnEntry) {
    package.add("game.exe", "new game");
    package.add("data/level.dat", std::string(70000, 'L'), Testing::ZipWriter::Stored);
    place("game.exe", "old game, longer than the new one");

    const auto replaced = carryOut("game.exe", FileActionKind::Replace);
    const auto created = carryOut("data/level.dat", FileActionKind::Replace);

    EXPECT_TRUE(replaced.succeeded());
    EXPECT_TRUE(created.succeeded());
    EXPECT_EQ(replaced.message(), "");
    EXPECT_EQ(installed("game.exe"), "new game");
    EXPECT_TRUE(installed("data/level.dat") == std::string(70000, 'L'));
    EXPECT_FALSE(pendingLeftFor("game.exe"));
    EXPECT_FALSE(pendingLeftFor("data/level.dat"));
}

TEST_F(FileInstallerTest, AnEntryThatCannotBeReadLeavesTheInstalledFileAsItWas) {
    package.add("corrupt.dat", "payload").crc = 0x12345678;
    package.add("other.txt", "other");
    place("game.exe", "working game");
    place("corrupt.dat", "working data");
    Testing::ZipWriter truncated;
    truncated.add("game.exe", "new game").payload = "\x01\x02";

    const auto missing = carryOut("game.exe", FileActionKind::Replace);
    const auto badCrc = carryOut("corrupt.dat", FileActionKind::Replace);
    const auto noPackage = installer.carryOut({"game.exe", "", FileActionKind::Replace}, nullptr);
    files.mountPackage("truncated.zip", truncated.vector());
    const auto badData = installer.carryOut({"game.exe", "", FileActionKind::Replace},
                                            files.findFileSystem("truncated.zip"));

    for (const auto &result : {missing, badCrc, noPackage, badData})
        EXPECT_EQ(result.outcome, InstallOutcome::Unreadable) << result.name;
    EXPECT_EQ(missing.message(), "Could not read the file game.exe from the update package.");
    EXPECT_EQ(installed("game.exe"), "working game");
    EXPECT_EQ(installed("corrupt.dat"), "working data");
    EXPECT_FALSE(pendingLeftFor("game.exe"));
}

// The examination plans it while the file is missing; the player's copy may come before its turn.
TEST_F(FileInstallerTest, ARestoreOnlyFileThatAppearedMeanwhileKeepsThePlayersBytes) {
    package.add("options.ini", "default options");
    place("options.ini", "the player's options");
    EXPECT_TRUE(carryOut("options.ini", FileActionKind::RestoreOnly).succeeded());
    EXPECT_EQ(installed("options.ini"), "the player's options");
}

TEST_F(FileInstallerTest, AnEmptyEntryIsAnEmptyFileNotAFailure) {
    package.add("empty.txt", "");
    place("empty.txt", "to be emptied");

    EXPECT_TRUE(carryOut("empty.txt", FileActionKind::Replace).succeeded());
    EXPECT_EQ(installed("empty.txt"), "");
}

TEST_F(FileInstallerTest, ALeftoverPendingFileFromAnInterruptedRunIsOverwritten) {
    package.add("game.exe", "new");
    place("game.exe", "old");
    place(std::string("game.exe") + Kestrel::FileInstaller::PendingSuffix,
          "half of a much longer earlier attempt");

    EXPECT_TRUE(carryOut("game.exe", FileActionKind::Replace).succeeded());
    EXPECT_EQ(installed("game.exe"), "new");
    EXPECT_FALSE(pendingLeftFor("game.exe"));
}

} // namespace
