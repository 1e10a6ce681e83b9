// The group update end to end against the reference server: what lands on disk byte for byte,
// what runs, when the manifest is committed, what the player sees and is told.
#include "states/GroupUpdateState.h"

#include "app/Md5.h"
#include "network/KSConnector.h"
#include "platform/headless/HeadlessWindows.h"
#include "tests/support/LogCapture.h"
#include "tests/support/headless/LaunchTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace Headless = Kestrel::Platform::Headless;
using Kestrel::Platform::MessageBoxKind;
using Testing::ReleaseWriter;
namespace fs = std::filesystem;

namespace {

const std::string Installed6 = "<manifest version=\"6\"/>";

// Bytes that deflate does not shrink, so that a package is about as large as its files.
std::string noise(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (char &byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<char>(seed >> 23);
    }
    return bytes;
}

std::string digestOf(const std::string &text) {
    return Cobalt::md5Hex(std::vector<char>(text.begin(), text.end()));
}

class GroupUpdateStateTest : public Testing::LaunchTest {
protected:
    // No leftovers of the installation's atomic writes anywhere below the folder.
    std::vector<std::string> pendingFiles() const {
        std::vector<std::string> found;
        for (const auto &entry : fs::recursive_directory_iterator(folder.path()))
            if (entry.path().extension() == ".updating")
                found.push_back(entry.path().string());
        return found;
    }
};

TEST_F(GroupUpdateStateTest, AnOutOfDateInstallationIsUpdatedAndItsManifestCommitted) {
    place("manifest.xml", Installed6);
    place("game.exe", "game of 6, longer than the new one");
    place("readme.txt", "readme of 6");
    place("config/options.ini", "the player's options");
    place("old/obsolete.dll", "obsolete");
    place("old/retired.dll", "retired");
    place("bin/setup.exe", "setup of 6");
    const std::string level = noise(3000, 1);
    ReleaseWriter release("7");
    auto &core = release.addGroup("core", "7", "packs/core.zip");
    core.add("game.exe", "game of 7", "7");
    core.add("data/level.dat", level, "7");
    core.add("readme.txt", "readme, unchanged since 6", "6");
    core.add("config/options.ini", "default options", "7", "restore_only");
    core.add("config/keys.ini", "default keys", "7", "restore_only");
    core.add("bin/setup.exe", "setup of 7", "7", "exec").args = "/quiet /log";
    // Not newer than the installation: even its newer file is not looked at, and its package,
    // which the server does not have, is not asked for.
    auto &maps = release.addGroup("maps", "6", "maps.zip");
    maps.add("maps/one.map", "map", "7");
    maps.packaged = false;
    auto &cleanup = release.addGroup("cleanup", "7", "cleanup.zip");
    cleanup.size = "0";
    cleanup.packaged = false;
    cleanup.add("old/obsolete.dll", "", "7", "removed");
    cleanup.add("saves/", "", "7", "folder");
    // Its package is of no use to removals: it is not asked for (the server has none).
    auto &retired = release.addGroup("retired", "7", "retired.zip");
    retired.size = "4096";
    retired.packaged = false;
    retired.add("old/retired.dll", "", "7", "deleted");
    publish(release);

    EXPECT_EQ(runUpdate(), "StartGame");

    EXPECT_TRUE(boxes.empty()) << boxes.front().text;
    EXPECT_EQ(installed("game.exe"), "game of 7");
    EXPECT_TRUE(installed("data/level.dat") == level);
    EXPECT_EQ(installed("readme.txt"), "readme of 6");
    EXPECT_EQ(installed("config/options.ini"), "the player's options");
    EXPECT_EQ(installed("config/keys.ini"), "default keys");
    EXPECT_EQ(installed("bin/setup.exe"), "setup of 7");
    EXPECT_EQ(installed("old/obsolete.dll"), "<missing>");
    EXPECT_EQ(installed("old/retired.dll"), "<missing>");
    EXPECT_TRUE(fs::is_directory(folder / "saves"));
    EXPECT_EQ(installed("maps/one.map"), "<missing>");
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].path, "bin/setup.exe");
    EXPECT_EQ(started[0].args, "/quiet /log");
    EXPECT_EQ(started[0].bytes, "setup of 7") << "started once its new bytes are in place";
    EXPECT_EQ(localManifest(), served(release.manifest()));
    EXPECT_FALSE(fs::exists(folder / ".brightwell/server-manifest.xml"));
    EXPECT_TRUE(pendingFiles().empty());

    // Under 1 KiB, the local manifest gives no estimate of the server's; the package's counter runs
    // in KiB (its "(0/3)" shows while the request waits for the first byte); seven actions are
    // planned: game, level, keys, setup, the two removals and the folder, and the bar counts them
    // after the package's bytes. The work clock stands still, so one update carries out all seven.
    const std::string packageSize = std::to_string(fs::file_size(root + "release/packs/core.zip"));
    std::vector<std::string> expectedCounters = {"(0/?)"};
    if (const std::size_t manifestKiB = served(release.manifest()).size() / 1024)
        expectedCounters.push_back("(" + std::to_string(manifestKiB) + "/?)");
    expectedCounters.push_back("(0/3)");
    expectedCounters.push_back("(3/3)");
    std::vector<std::string> expectedBars = {"marquee", "0/" + packageSize,
                                             packageSize + "/" + packageSize};
    for (const char *done : {"0", "7"}) {
        expectedCounters.push_back("(" + std::string(done) + "/7)");
        expectedBars.push_back(std::string(done) + "/7");
    }
    EXPECT_EQ(counters(), expectedCounters);
    EXPECT_EQ(bars, expectedBars);
    const auto at = [this](const std::string &text) {
        return std::find(shown.begin(), shown.end(), text) - shown.begin();
    };
    EXPECT_LT(at("Examining . . ."), at("Downloading . . ."));
    EXPECT_LT(at("Downloading . . ."), at("packs/core.zip"));
    EXPECT_LT(at("packs/core.zip"), at("Extracting . . ."));
    EXPECT_LT(at("Extracting . . ."), at("bin/setup.exe"));
    EXPECT_FALSE(saw("maps.zip"));
    EXPECT_FALSE(saw("retired.zip"));
}

TEST_F(GroupUpdateStateTest, TheFullCheckComparesDigestsWhateverTheVersions) {
    place("manifest.xml", Installed6);
    place("same.txt", "same bytes");
    place("changed.txt", "bytes changed by the player");
    place("empty.txt", "");
    ReleaseWriter release("7");
    // Not newer, and its files claim older versions: only the digests count.
    auto &group = release.addGroup("core", "5", "core.zip");
    // The package holds other bytes than the digest names: were it installed, it would show.
    group.add("same.txt", "package bytes", "1").md5 = digestOf("same bytes");
    group.add("changed.txt", "original bytes", "1");
    group.add("empty.txt", "not empty", "1");
    group.add("missing.txt", "was never there", "1");
    std::string upperDigest = digestOf("upper");
    for (char &digit : upperDigest)
        digit = static_cast<char>(std::toupper(static_cast<unsigned char>(digit)));
    group.add("upper.txt", "upper", "1").md5 = upperDigest;
    place("upper.txt", "upper");
    publish(release);
    start();
    state<Kestrel::GroupUpdateState>("GroupUpdate").fullCheck = true;

    EXPECT_EQ(runUpdate(), "StartGame");

    EXPECT_EQ(installed("same.txt"), "same bytes");
    EXPECT_EQ(installed("changed.txt"), "original bytes");
    EXPECT_EQ(installed("empty.txt"), "not empty") << "an empty file matches no digest";
    EXPECT_EQ(installed("missing.txt"), "was never there");
    EXPECT_EQ(counters().back(), "(4/4)") << "an upper-case digest matches nothing";
    EXPECT_EQ(localManifest(), served(release.manifest()));
}

// A download cut by the server is tried again after a short wait that the player is told about,
// and asks only for the rest: the bar never goes back.
TEST_F(GroupUpdateStateTest, ACutDownloadIsTriedAgainFromWhereItStopped) {
    place("manifest.xml", Installed6);
    // Far more than the loopback buffers hold, so that the server is still reading the file when
    // it is cut short.
    const std::string big = noise(24 << 20, 7);
    Testing::ZipWriter package;
    package.add("big.dat", big, Testing::ZipWriter::Stored);
    const std::string packageBytes = package.bytes();
    ReleaseWriter release("7");
    auto &group = release.addGroup("big", "7", "big.zip");
    group.add("big.dat", big, "7");
    group.packaged = false;
    group.size = std::to_string(packageBytes.size());
    publish(release);
    const std::string served = root + "release/big.zip";
    writeReleaseFile("big.zip", packageBytes);
    const auto modified = fs::last_write_time(served);

    bool cut = false;
    bool mended = false;
    onSample = [&] {
        if (!cut && app->getConnector()->getProgress() > 0 &&
            app->getCurrentState()->getName() == "GroupUpdate") {
            // The server's file shrinks while it is being sent: it ends the body early.
            fs::resize_file(served, 1 << 20);
            cut = true;
        }
        if (cut && !mended && saw("Retrying . . .")) {
            // Back as it was, validator included, before the next try.
            writeReleaseFile("big.zip", packageBytes);
            fs::last_write_time(served, modified);
            mended = true;
        }
    };
    start({{"retryWait", "0.05"}, {"receiveTimeout", "2"}});
    Testing::LogCapture log;

    EXPECT_EQ(runUpdate(), "StartGame");

    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(installed("big.dat") == big);
    EXPECT_EQ(localManifest(), this->served(release.manifest()));
    EXPECT_NE(log.text().find("Connection: continuing from byte "), std::string::npos);
    std::vector<int> positions;
    const std::string ofPackage = "/" + std::to_string(packageBytes.size());
    for (const std::string &bar : bars)
        if (bar.size() > ofPackage.size() &&
            bar.compare(bar.size() - ofPackage.size(), ofPackage.size(), ofPackage) == 0)
            positions.push_back(std::stoi(bar));
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    const std::string sizeKiB = std::to_string(packageBytes.size() / 1024);
    EXPECT_TRUE(saw("(" + sizeKiB + "/" + sizeKiB + ")"));
}

// Staged bytes that the server's validator vouches for but that belong to another file: the
// pieced package fails its check, is dropped and fetched whole once more.
TEST_F(GroupUpdateStateTest, AResumedPackageThatProvesDamagedIsFetchedWholeOnceMore) {
    place("manifest.xml", Installed6);
    const std::string data = noise(1 << 20, 5);
    Testing::ZipWriter package;
    package.add("data.pak", data, Testing::ZipWriter::Stored);
    Testing::ZipWriter other;
    other.add("data.pak", noise(1 << 20, 6), Testing::ZipWriter::Stored);
    ReleaseWriter release("7");
    auto &group = release.addGroup("data", "7", "data.zip");
    group.add("data.pak", data, "7");
    group.packaged = false;
    group.size = std::to_string(package.bytes().size());
    publish(release);
    writeReleaseFile("data.zip", package.bytes());
    struct stat status;
    ASSERT_EQ(stat((root + "release/data.zip").c_str(), &status), 0);
    char validator[64];
    std::snprintf(validator, sizeof validator, "\"%llx-%llx\"",
                  static_cast<unsigned long long>(status.st_mtime),
                  static_cast<unsigned long long>(status.st_size));
    place(".brightwell/package-data.zip", other.bytes().substr(0, 300000));
    place(".brightwell/validator-package-data.zip", validator);
    start();
    Testing::LogCapture log;

    EXPECT_EQ(runUpdate(), "StartGame");

    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(installed("data.pak") == data);
    EXPECT_NE(log.text().find("Connection: continuing from byte 300000"), std::string::npos);
    EXPECT_NE(log.text().find("is damaged; it is downloaded whole once more"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder / ".brightwell/validator-package-data.zip"));
}

TEST_F(GroupUpdateStateTest, CancelInTheRetryBoxEndsTheRunAndTheNextRunFinishesTheJob) {
    place("manifest.xml", Installed6);
    place("a.txt", "a of 6");
    place("game.exe/keep.txt", "a folder where the game should be");
    place("z.txt", "z of 6");
    ReleaseWriter release("7");
    auto &core = release.addGroup("core", "7", "core.zip");
    core.add("a.txt", "a of 7", "7");
    core.add("game.exe", "game of 7", "7");
    core.add("z.txt", "z of 7", "7");
    publish(release);

    EXPECT_EQ(runUpdate(), "GroupUpdate");

    EXPECT_TRUE(app->isQuitRequested());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Could not update the local file game.exe.");
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].kind, MessageBoxKind::RetryCancelWarning);
    EXPECT_EQ(installed("a.txt"), "a of 7");
    EXPECT_EQ(installed("game.exe/keep.txt"), "a folder where the game should be");
    EXPECT_EQ(installed("z.txt"), "z of 6");
    EXPECT_EQ(localManifest(), Installed6);
    EXPECT_EQ(counters().back(), "(1/3)") << "the cancelled action is not counted";
    EXPECT_TRUE(pendingFiles().empty());

    // The player moves the folder away and starts again: the same work is planned and done.
    fs::remove_all(folder / "game.exe");
    EXPECT_EQ(runUpdate(), "StartGame");
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(installed("a.txt"), "a of 7");
    EXPECT_EQ(installed("game.exe"), "game of 7");
    EXPECT_EQ(installed("z.txt"), "z of 7");
    EXPECT_EQ(counters().back(), "(3/3)");
    EXPECT_EQ(localManifest(), served(release.manifest()));
}

TEST_F(GroupUpdateStateTest, EachUpdateCarriesOutTheActionsThatFitItsTimeAndShowsTheLatest) {
    place("manifest.xml", Installed6);
    place("e.txt/keep.txt", "a folder where the file should be");
    ReleaseWriter release("7");
    auto &core = release.addGroup("core", "7", "core.zip");
    for (const char *name : {"a.exe", "b.exe", "c.exe", "slow.exe", "d.exe", "e.txt", "f.exe"})
        core.add(name, std::string(name) + " of 7", "7", name[2] == 't' ? "" : "exec");
    publish(release);
    start();
    // Each program takes 3 ms of the work clock to start, the slow one 20 ms: within the 8 ms of
    // an update three fit, or the slow one alone.
    state<Kestrel::GroupUpdateState>("GroupUpdate").programStarter = [this](const std::string &path,
                                                                            const std::string &) {
        started.push_back({path, "", ""});
        workNow += path == "slow.exe" ? 0.020 : 0.003;
    };
    std::vector<std::string> atBox;
    answerRetryBox = [&](const Testing::ShownBox &) {
        atBox = visibleTexts();
        fs::remove_all(folder / "e.txt");
        return Kestrel::Platform::MessageBoxAnswer::Retry;
    };

    EXPECT_EQ(runUpdate(), "StartGame");

    EXPECT_EQ(started.size(), 6u);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Could not update the local file e.txt.");
    EXPECT_EQ(atBox, (std::vector<std::string>{"e.txt", "(5/7)", "Extracting . . ."}))
        << "the batch stops at the file that cannot be replaced, the actions before it counted";
    EXPECT_EQ(installed("e.txt"), "e.txt of 7");
    const std::vector<std::string> all = counters();
    ASSERT_GE(all.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(all.end() - 4, all.end()),
              (std::vector<std::string>{"(0/7)", "(3/7)", "(4/7)", "(7/7)"}));
    for (const char *latest : {"c.exe", "slow.exe", "f.exe"})
        EXPECT_TRUE(saw(latest)) << latest;
    EXPECT_FALSE(saw("a.exe")) << "one display per update, with its latest action";
    EXPECT_EQ(localManifest(), served(release.manifest()));
}

// The directory is read in pieces between updates: the one entry beyond the first piece is found.
TEST_F(GroupUpdateStateTest, AFileBeyondTheFirstPieceOfItsPackagesDirectoryIsInstalled) {
    place("manifest.xml", Installed6);
    ReleaseWriter release("7");
    auto &core = release.addGroup("core", "7", "core.zip");
    for (std::size_t index = 0; index < Kestrel::GroupUpdateState::DirectoryPiece; ++index)
        place(core.add("kept" + std::to_string(index), "kept", "6").name, "kept");
    core.add("last.txt", "last of 7", "7");
    publish(release);
    start();

    EXPECT_EQ(runUpdate(), "StartGame");

    EXPECT_EQ(installed("last.txt"), "last of 7");
    EXPECT_EQ(counters().back(), "(1/1)");
    EXPECT_FALSE(fs::exists(folder / ".brightwell/package-core.zip"));
}

TEST_F(GroupUpdateStateTest, AFileWithoutIntactBytesInItsPackageIsKeptAndTheManifestNotCommitted) {
    place("manifest.xml", Installed6);
    for (const char *name :
         {"game.exe", "bin/setup.exe", "data.pak", "good.txt", "notes.txt", "maps.dat"})
        place(name, std::string(name) + " of 6");
    ReleaseWriter release("7");
    auto &core = release.addGroup("core", "7", "core.zip");
    core.add("game.exe", "game of 7", "7");
    core.add("bin/setup.exe", "setup of 7", "7", "exec");
    core.add("data.pak", "data of 7", "7");
    core.add("good.txt", "good of 7", "7");
    Testing::ZipWriter broken;
    broken.add("data.pak", "data of 7").crc = 0x12345678;
    broken.add("good.txt", "good of 7");
    core.packaged = false;
    core.size = std::to_string(broken.bytes().size());
    auto &notes = release.addGroup("notes", "7", "notes.zip");
    notes.size = "0";
    notes.add("notes.txt", "notes of 7", "7");
    // Served, but no ZIP archive: it cannot be mounted.
    auto &maps = release.addGroup("maps", "7", "maps.zip");
    maps.add("maps.dat", "maps of 7", "7");
    maps.packaged = false;
    maps.size = "5000";
    publish(release);
    writeReleaseFile("core.zip", broken.bytes());
    // An earlier release's package of that name, still in the temporary folder.
    Testing::ZipWriter stale;
    stale.add("notes.txt", "stale notes");
    place(".brightwell/package-notes.zip", stale.bytes());
    writeReleaseFile("maps.zip", "<html>Not a package</html>");

    EXPECT_EQ(runUpdate(), "StartGame") << "the game starts with the files there are";

    for (const char *name : {"game.exe", "bin/setup.exe", "data.pak", "notes.txt", "maps.dat"})
        EXPECT_EQ(installed(name), std::string(name) + " of 6");
    EXPECT_EQ(installed("good.txt"), "good of 7");
    EXPECT_TRUE(started.empty());
    EXPECT_EQ(localManifest(), Installed6);
    EXPECT_TRUE(pendingFiles().empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Some game files could not be updated:\n"
                             "Could not read the file game.exe from the update package.\n"
                             "Could not read the file bin/setup.exe from the update package.\n"
                             "Could not read the file data.pak from the update package.\n"
                             "Could not read the file notes.txt from the update package.\n"
                             "Could not read the file maps.dat from the update package.\n"
                             "These files were left as they were; the next start of the launcher "
                             "tries again.");
    EXPECT_EQ(boxes[0].kind, MessageBoxKind::OkExclamation);
}

TEST_F(GroupUpdateStateTest, FilesThatCannotBeWrittenAreReportedAndNotCountedAsDone) {
    place("manifest.xml", Installed6);
    place("data/level.dat", "level of 6");
    // Folders where the first new file and the second package would be staged.
    place(".brightwell/0-level.dat.updating/left-by-someone", "");
    place("b.txt", "b of 6");
    place(".brightwell/package-packs%2fb.zip/in-the-way", "");
    ReleaseWriter release("7");
    auto &a = release.addGroup("a", "7", "packs/a.zip");
    a.add("data/level.dat", "level of 7", "7");
    a.add("a.txt", "a of 7", "7");
    auto &b = release.addGroup("b", "7", "packs/b.zip");
    b.add("b.txt", "b of 7", "7");
    publish(release);

    EXPECT_EQ(runUpdate(), "StartGame");

    EXPECT_EQ(installed("data/level.dat"), "level of 6");
    EXPECT_EQ(installed("a.txt"), "a of 7");
    EXPECT_EQ(installed("b.txt"), "b of 6");
    EXPECT_EQ(localManifest(), Installed6);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Some game files could not be updated:\n"
                             "Could not write the local file data/level.dat.\n"
                             "Could not read the file b.txt from the update package.\n"
                             "These files were left as they were; the next start of the launcher "
                             "tries again.");
}

TEST_F(GroupUpdateStateTest, NamesLeadingOutOfTheInstallationAreSkippedAndTheRestInstalled) {
    const std::string leaf = fs::path(folder.path()).parent_path().filename().string();
    const std::string above = fs::path(folder.path()).parent_path().parent_path().string() + "/";
    place("manifest.xml", Installed6);
    ReleaseWriter release("7");
    auto &core = release.addGroup("core", "7", "core.zip");
    const std::vector<std::string> unsafe = {
        "../" + leaf + "-escape.txt", "sub/../../" + leaf + "-escape2.txt", folder / "absolute.txt",
        "C:/drive.txt", "temp:mounted.txt"};
    for (const std::string &name : unsafe)
        core.add(name, "escaped", "7", name == unsafe[1] ? "exec" : "");
    core.add("safe.txt", "safe of 7", "7");
    publish(release);
    std::string log;
    start();
    {
        const Testing::LogCapture capture;
        EXPECT_EQ(runUpdate(), "StartGame");
        log = capture.text();
    }

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(installed("safe.txt"), "safe of 7");
    EXPECT_FALSE(fs::exists(above + leaf + "-escape.txt"));
    EXPECT_FALSE(fs::exists(above + leaf + "-escape2.txt"));
    EXPECT_FALSE(fs::exists(folder / "absolute.txt"));
    EXPECT_FALSE(fs::exists(folder / "C:"));
    EXPECT_FALSE(fs::exists(folder / ".brightwell/mounted.txt"));
    EXPECT_TRUE(started.empty());
    for (const std::string &name : unsafe)
        EXPECT_NE(log.find("Skipped manifest entry \"" + name + "\""), std::string::npos) << log;
    EXPECT_EQ(counters().back(), "(1/1)");
    EXPECT_EQ(localManifest(), served(release.manifest())) << "skipped names are no failure";

    // A package path that climbs out of the temporary folder is neither fetched nor written.
    ReleaseWriter next("8");
    next.addGroup("climbing", "8", "../climbing.zip").add("safe.txt", "safe of 8", "8");
    next.writeTo(root + "release/", ServerManifest);
    EXPECT_EQ(runUpdate(), "StartGame");
    EXPECT_FALSE(fs::exists(folder / "temp/climbing.zip"));
    EXPECT_EQ(installed("safe.txt"), "safe of 7");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("Could not read the file safe.txt"), std::string::npos);
    EXPECT_EQ(localManifest(), served(release.manifest()));
}

TEST_F(GroupUpdateStateTest, ClosingTheWindowDuringADownloadEndsTheLauncherAndCommitsNothing) {
    place("manifest.xml", Installed6);
    place("a.txt", "a of 6");
    ReleaseWriter release("7");
    release.addGroup("core", "7", "core.zip").add("a.txt", noise(1 << 20, 3), "7");
    publish(release);
    onSample = [this] {
        if (app->getConnector()->getProgress() > 0 && current() == "GroupUpdate" &&
            Headless::pendingInputs() == 0 && !app->isQuitRequested())
            Headless::post([this] { Headless::close(window); });
    };

    EXPECT_EQ(runUpdate(), "GroupUpdate");

    EXPECT_TRUE(app->isQuitRequested());
    EXPECT_EQ(installed("a.txt"), "a of 6");
    EXPECT_EQ(localManifest(), Installed6);
}

TEST_F(GroupUpdateStateTest, ALongListOfFailuresNamesTheFirstTenAndCountsTheRest) {
    place("manifest.xml", Installed6);
    ReleaseWriter release("7");
    auto &core = release.addGroup("core", "7", "core.zip");
    for (int index = 1; index <= 12; ++index)
        core.add("file" + std::to_string(index) + ".txt", "of 7", "7").inPackage = index == 12;
    publish(release);

    EXPECT_EQ(runUpdate(), "StartGame");

    ASSERT_EQ(boxes.size(), 1u);
    std::string expected = "Some game files could not be updated:\n";
    for (int index = 1; index <= 10; ++index)
        expected += "Could not read the file file" + std::to_string(index) +
                    ".txt from the update package.\n";
    EXPECT_EQ(boxes[0].text, expected + "and 1 more (see the log)\nThese files were left as they "
                                        "were; the next start of the launcher tries again.");
    EXPECT_EQ(installed("file12.txt"), "of 7");
    EXPECT_EQ(localManifest(), Installed6);
}

} // namespace
