// The headless launcher program updating installations as players' machines hold them: on another
// file system than the temporary folder, with links planted in them, and the exit code and the
// summary line that tell a script whether the update completed.
#include "tests/network/ReferenceServerFixture.h"
#include "tests/support/ReleaseWriter.h"
#include "tests/support/TempFolder.h"
#include "tests/support/headless/LauncherCopy.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string Installed6 = "<manifest version=\"6\"/>";

std::string fileText(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

void writeText(const fs::path &path, const std::string &text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class UpdateProgramTest : public Testing::ReferenceServerFixture {
protected:
    // The launcher with the shipped files (short pauses), pointed at the server, in a folder of
    // /dev/shm: a tmpfs, so another file system than the temporary folder of the run.
    void SetUp() override {
        ReferenceServerFixture::SetUp();
        struct stat memory, temporary;
        if (IsSkipped() || stat("/dev/shm", &memory) != 0 ||
            stat(outside.path().c_str(), &temporary) != 0 || memory.st_dev == temporary.st_dev)
            GTEST_SKIP() << "needs the reference server and /dev/shm on a file system of its own";
        install = "/dev/shm/brightwell-update-" + std::to_string(getpid()) + "/";
        fs::remove_all(install);
        Testing::installLauncherCopy(install, {{"URL", std::getenv("BRIGHTWELL_SERVER_URL")}});
        writeText(install + "manifest.xml", Installed6);
    }

    void TearDown() override {
        if (!install.empty())
            fs::remove_all(install);
    }

    // Runs the launcher unattended with the temporary folder outside; its exit code. Its standard
    // error stream is kept until the next run.
    int run(const std::string &extra = "") const {
        const std::string command = "cd '" + install + "' && TMPDIR='" + outside.path() +
                                    "' XDG_DOCUMENTS_DIR='" + (outside / "documents") +
                                    "' ./brightwell -uac -u " + PlayerName + " -p " + PlayerDigest +
                                    extra + " 2>'" + (outside / "stderr.txt") + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string errors() const { return outside.read("stderr.txt"); }
    std::string log() const {
        return outside.read("documents/Brightwell/configuration/launcher.log");
    }
    std::string installed(const std::string &name) const { return fileText(install + name); }
    void place(const std::string &name, const std::string &text) const {
        writeText(install + name, text);
    }
    void publish(const Testing::ReleaseWriter &release) const {
        release.writeTo(root + "release/", "manifest-7.xml");
    }

    std::string install;
    Testing::TempFolder outside;
};

TEST_F(UpdateProgramTest, AnInstallationOnAnotherFileSystemCommitsAndTheNextRunDownloadsNothing) {
    place("game.exe", "game of 6");
    place("game.exe.updating", "a game file of that name");
    Testing::ReleaseWriter release("7");
    release.addGroup("core", "7", "packs/core.zip").add("game.exe", "game of 7", "7");
    publish(release);

    EXPECT_EQ(run(), 0) << errors();
    EXPECT_EQ(installed("game.exe"), "game of 7");
    EXPECT_EQ(installed("game.exe.updating"), "a game file of that name");
    EXPECT_NE(installed("manifest.xml"), Installed6);
    EXPECT_TRUE(fs::is_empty(install + ".brightwell")) << "the package is not kept";

    EXPECT_EQ(run(), 0);
    // An unattended run continues the log: only the second run's lines count.
    const std::string secondRun = log().substr(log().rfind("Brightwell Launcher started"));
    EXPECT_EQ(secondRun.find("Connection: Download site"), std::string::npos) << secondRun;
}

// The summary line counts what each run really did: a new and a removed file beside one whose
// bytes are not those the manifest names; once all is right, "--quiet" leaves the summary alone.
TEST_F(UpdateProgramTest, AnUpdateThatDidNotCompleteEndsWithCodeFourAndTheSummarySaysWhy) {
    place("game.exe", "game of 6");
    place("old.dll", "old");
    Testing::ReleaseWriter release("7");
    auto &core = release.addGroup("core", "7", "core.zip");
    auto &file = core.add("game.exe", "game of 7", "7");
    core.add("new.txt", "new in 7", "7");
    core.add("old.dll", "", "7", "removed");
    // The package does not hold what the manifest names (a release swapped in between).
    file.md5 = "0123456789abcdef0123456789abcdef";
    publish(release);
    const std::string summary = "brightwell: summary release-before=6 release-after=";
    const std::string downloaded =
        " downloaded=" + std::to_string(fs::file_size(root + "release/core.zip")) +
        " seconds=[0-9]+\\.[0-9] exit=";
    EXPECT_EQ(run(), 4);
    EXPECT_EQ(installed("game.exe"), "game of 6");
    EXPECT_EQ(installed("manifest.xml"), Installed6);
    EXPECT_NE(log().find("game.exe differs from the manifest: MD5 "), std::string::npos) << log();
    for (const char *line : {"state GroupUpdate\n", "installing 3 files\n"})
        EXPECT_NE(errors().find(line), std::string::npos) << line << " in " << errors();
    EXPECT_TRUE(
        std::regex_search(errors(), std::regex("\n" + summary + "6 written=1 removed=1 failed=1" +
                                               downloaded + "4 \\(update incomplete\\)\n$")))
        << errors();

    // A folder stands where the file goes; the unattended launcher answers Cancel.
    file.md5.reset();
    publish(release);
    fs::rename(install + "game.exe", install + "game.old");
    place("game.exe/keep.txt", "in the way");
    EXPECT_EQ(run(), 4);
    EXPECT_EQ(installed("manifest.xml"), Installed6);

    fs::remove_all(install + "game.exe");
    EXPECT_EQ(run(" --quiet"), 0);
    EXPECT_EQ(installed("game.exe"), "game of 7");
    EXPECT_TRUE(std::regex_match(errors(), std::regex(summary + "7 written=2 removed=0 failed=0" +
                                                      downloaded + "0 \\(finished\\)\n")))
        << errors();
}

TEST_F(UpdateProgramTest, LinksPlantedInTheInstallationAndItsStagingFolderLeadNowhere) {
    // What the links lead to lies outside the installation and must stay as it is.
    for (const char *name : {"a", "b", "c", "d", "e"})
        outside.write(name, std::string("outside ") + name);
    fs::create_directories(outside / "maps");
    fs::create_directories(install + ".brightwell");
    fs::create_symlink(outside / "a", install + ".brightwell/server-manifest.xml");
    fs::create_symlink(outside / "b", install + ".brightwell/package-core.zip");
    fs::create_symlink(outside / "c", install + ".brightwell/0-game.exe.updating");
    fs::create_symlink(outside / "d", install + "game.exe");
    fs::create_symlink(outside / "e", install + "old.dll");
    fs::create_symlink(outside / "maps", install + "maps");
    Testing::ReleaseWriter release("7");
    auto &core = release.addGroup("core", "7", "core.zip");
    core.add("game.exe", "game of 7", "7");
    core.add("old.dll", "", "7", "removed");
    core.add("maps/one.map", "map of 7", "7");
    publish(release);

    EXPECT_EQ(run(), 4) << "a file below a linked folder is refused";
    for (const char *name : {"a", "b", "c", "d", "e"})
        EXPECT_EQ(outside.read(name), std::string("outside ") + name);
    EXPECT_FALSE(fs::exists(outside / "maps/one.map"));
    EXPECT_EQ(installed("game.exe"), "game of 7");
    EXPECT_FALSE(fs::is_symlink(install + "game.exe"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(install + "old.dll")));

    // The staging folder itself a link: replaced by a folder of the installation.
    fs::remove_all(install + ".brightwell");
    fs::create_symlink(outside.path(), install + ".brightwell");
    fs::remove(install + "maps");
    EXPECT_EQ(run(), 0);
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(install + ".brightwell")));
    EXPECT_FALSE(fs::exists(outside / "server-manifest.xml"));
    EXPECT_EQ(installed("maps/one.map"), "map of 7");
}

} // namespace
