// Installing package entries into a real folder: atomic replacement through the staging folder,
// checks of the bytes, failures that keep the old file.
#include "states/FileInstaller.h"

#include "app/Md5.h"
#include "io/ZIPPackage.h"
#include "tests/states/UpdateTestSupport.h"
#include "tests/support/LogCapture.h"
#include "tests/support/WholeInstall.h"
#include "tests/support/ZipWriter.h"

#include <gtest/gtest.h>

#include <filesystem>

using Kestrel::FileAction;
using Kestrel::FileActionKind;
using Kestrel::InstallOutcome;
namespace fs = std::filesystem;

namespace {

std::string digestOf(const std::string &text) { return Cobalt::md5Hex({text.begin(), text.end()}); }

class FileInstallerTest : public Testing::InstallationTest {
protected:
    // Mounts the package (and a decoy holding other bytes under the same names, so that a read
    // through the file server's search could pick either) and returns the package.
    Cobalt::IO::ZIPPackage *mounted() {
        if (!package) {
            Testing::ZipWriter decoy;
            for (const char *name : {"game.exe", "data/level.dat", "tool.exe", "empty.txt"})
                decoy.add(name, "decoy bytes");
            files.mountPackage("decoy.zip", decoy.vector());
            package = &files.mountPackage("main.zip", entries.vector());
        }
        return package;
    }

    Kestrel::InstallResult carryOut(const std::string &name, FileActionKind kind,
                                    const std::string &md5 = "") {
        return Testing::installWhole(installer, FileAction{name, "", kind, md5}, mounted());
    }

    // Nothing of an install stays in the staging folder, whatever its outcome.
    bool stagingEmpty() const { return fs::is_empty(folder / Kestrel::StagingFolder::Name); }

    Testing::ZipWriter entries;
    Cobalt::IO::ZIPPackage *package = nullptr;
    Kestrel::FileInstaller installer{files, [](const std::string &, const std::string &) {}};
};

TEST_F(FileInstallerTest, ReplacesTheDiskFileWithThePackagesOwnEntry) {
    entries.add("game.exe", "new game");
    // Many reading pieces, stored and deflated.
    const std::string level(3 * Kestrel::FileInstaller::ChunkSize + 17, 'L');
    entries.add("data/level.dat", level, Testing::ZipWriter::Stored);
    entries.add("data/level2.dat", level);
    place("game.exe", "old game, longer than the new one");

    const auto replaced = carryOut("game.exe", FileActionKind::Replace);
    const auto created = carryOut("data/level.dat", FileActionKind::Replace);
    const auto inflated = carryOut("data/level2.dat", FileActionKind::Replace, digestOf(level));

    EXPECT_TRUE(replaced.succeeded());
    EXPECT_TRUE(created.succeeded());
    EXPECT_TRUE(inflated.succeeded());
    EXPECT_EQ(replaced.message(), "");
    EXPECT_EQ(installed("game.exe"), "new game");
    EXPECT_TRUE(installed("data/level.dat") == level);
    EXPECT_TRUE(installed("data/level2.dat") == level);
    EXPECT_TRUE(stagingEmpty());
}

TEST_F(FileInstallerTest, AnEntryThatCannotBeReadLeavesTheInstalledFileAsItWas) {
    entries.add("corrupt.dat", "payload").crc = 0x12345678;
    entries.add("other.txt", "other");
    place("game.exe", "working game");
    place("corrupt.dat", "working data");
    Testing::ZipWriter truncated;
    truncated.add("game.exe", "new game").payload = "\x01\x02";

    const auto missing = carryOut("game.exe", FileActionKind::Replace);
    const auto badCrc = carryOut("corrupt.dat", FileActionKind::Replace);
    const auto noPackage = Testing::installWhole(installer, {"game.exe", "", FileActionKind::Replace}, nullptr);
    const auto badData =
        Testing::installWhole(installer, {"game.exe", "", FileActionKind::Replace},
                           &files.mountPackage("truncated.zip", truncated.vector()));

    for (const auto &result : {missing, badCrc, noPackage, badData})
        EXPECT_EQ(result.outcome, InstallOutcome::Unreadable) << result.name;
    EXPECT_EQ(missing.message(), "Could not read the file game.exe from the update package.");
    EXPECT_EQ(installed("game.exe"), "working game");
    EXPECT_EQ(installed("corrupt.dat"), "working data");
    EXPECT_TRUE(stagingEmpty());
}

// The examination plans it while the file is missing; the player's copy may come before its turn.
TEST_F(FileInstallerTest, ARestoreOnlyFileThatAppearedMeanwhileKeepsThePlayersBytes) {
    entries.add("options.ini", "default options");
    place("options.ini", "the player's options");
    EXPECT_TRUE(carryOut("options.ini", FileActionKind::RestoreOnly).succeeded());
    EXPECT_EQ(installed("options.ini"), "the player's options");
}

TEST_F(FileInstallerTest, BytesThatDifferFromTheManifestDigestAreNotInstalled) {
    entries.add("game.exe", "bytes of another release");
    entries.add("empty.txt", "");
    place("game.exe", "working game");
    const std::string expected = digestOf("bytes of this release");
    std::string upperCase = digestOf("e");
    for (char &digit : upperCase)
        digit = static_cast<char>(std::toupper(static_cast<unsigned char>(digit)));
    entries.add("e.txt", "e");

    Kestrel::InstallResult mismatched;
    std::string log;
    {
        const Testing::LogCapture capture;
        mismatched = carryOut("game.exe", FileActionKind::Replace, expected);
        log = capture.text();
    }

    EXPECT_EQ(mismatched.outcome, InstallOutcome::Mismatched);
    EXPECT_EQ(mismatched.message(), "Could not update the local file game.exe.");
    EXPECT_EQ(installed("game.exe"), "working game");
    EXPECT_NE(log.find("game.exe differs from the manifest: MD5 " +
                       digestOf("bytes of another release") + ", expected " + expected),
              std::string::npos)
        << log;
    EXPECT_TRUE(stagingEmpty());
    // The digest of no bytes is a real digest here, and digits in capitals name the same bytes.
    EXPECT_TRUE(carryOut("empty.txt", FileActionKind::Replace, "d41d8cd98f00b204e9800998ecf8427e")
                    .succeeded());
    EXPECT_TRUE(carryOut("e.txt", FileActionKind::Replace, upperCase).succeeded());
}

TEST_F(FileInstallerTest, GameFilesNeverCollideWithStagedOnes) {
    entries.add("game.exe", "new");
    entries.add("game.exe.updating", "a game file of this name");
    place("game.exe", "old");
    place("game.exe.updating", "the player's file of that name");
    // A crashed run's leftover where the next staged file goes, longer than the new bytes.
    place(".brightwell/0-game.exe.updating", "half of a much longer earlier attempt");

    EXPECT_TRUE(carryOut("game.exe", FileActionKind::Replace).succeeded());
    EXPECT_EQ(installed("game.exe"), "new");
    EXPECT_EQ(installed("game.exe.updating"), "the player's file of that name");
    EXPECT_TRUE(carryOut("game.exe.updating", FileActionKind::Replace).succeeded());
    EXPECT_EQ(installed("game.exe.updating"), "a game file of this name");
    EXPECT_TRUE(stagingEmpty());
}

} // namespace
