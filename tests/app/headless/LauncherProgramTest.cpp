// The headless launcher program as scripts and servers run it: a start-up failure, the log file
// of a first copy and its elevated copy, and ending on a signal.
#include "tests/network/ScriptedServer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/headless/LauncherCopy.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

class LauncherProgramTest : public ::testing::Test {
protected:
    // A copy of the program in its own folder (it reads gameStates/ beside itself), with the
    // shipped configuration (short pauses) and settings.
    void install(const Testing::Settings &settings = {}) {
        Testing::installLauncherCopy(folder / "bin", settings);
    }

    // Runs script in sh with PROGRAM, DOCUMENTS and FOLDER set; returns the exit status of sh.
    int run(const std::string &script) const {
        const std::string command = "cd '" + folder.path() + "' && PROGRAM='" +
                                    (folder / "bin/brightwell") + "' XDG_DOCUMENTS_DIR='" +
                                    (folder / "documents") + "' sh -c '" + script + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string log() const {
        return folder.read("documents/Brightwell/configuration/launcher.log");
    }

    Testing::TempFolder folder;
};

TEST_F(LauncherProgramTest, AMissingConfigurationEndsWithCodeOneAndSaysSo) {
    install();
    fs::remove(folder / "bin/gameStates/launcher.xml");
    EXPECT_EQ(run("\"$PROGRAM\" 2>errors.txt"), 1);
    const std::string errors = folder.read("errors.txt");
    EXPECT_TRUE(std::regex_match(
        errors, std::regex("\\[Brightwell Launcher\\] Failed to read configuration file! \\[OK\\]\n"
                           "brightwell: summary release-before=unknown release-after=unknown "
                           "written=0 removed=0 failed=0 downloaded=0 seconds=[0-9.]+ "
                           "exit=1 \\(start-up failed\\)\n")))
        << errors;
    EXPECT_NE(log().find("Destroying game"), std::string::npos) << "the log is closed";
}

// The run waits for the log's first line, starts an elevated copy (whose login fails: nothing
// answers at the shipped address) as the relaunch would while the first copy waits, then asks
// the first copy to end as closing the window would; one that does not end within 20 s is
// killed, which fails the test instead of hanging it.
TEST_F(LauncherProgramTest, ASignalEndsTheRunCleanlyAndOnlyTheFirstCopyStartsTheLogAfresh) {
    install();
    fs::create_directories(folder / "documents/Brightwell/configuration");
    folder.write("documents/Brightwell/configuration/launcher.log", "from an earlier run\n");
    const int status =
        run("\"$PROGRAM\" -n & pid=$!; "
            "for i in $(seq 100); do "
            "grep -q started documents/Brightwell/configuration/launcher.log && break; "
            "sleep 0.1; done; \"$PROGRAM\" -uac -u player -p wrong 2>/dev/null; kill -TERM $pid; "
            "for i in $(seq 200); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done; "
            "kill -KILL $pid 2>/dev/null; wait $pid");
    EXPECT_EQ(status, 0);
    const std::string text = log();
    EXPECT_EQ(text.find("from an earlier run"), std::string::npos) << text;
    EXPECT_EQ(text.rfind("Brightwell Launcher started ", 0), 0u) << text;
    const std::size_t copy = text.find("Brightwell Launcher started as the elevated copy ");
    EXPECT_GT(copy, 0u) << "after the first copy's lines: " << text;
    EXPECT_LT(copy, text.find("Connection: Authenticate player", copy)) << text;
    EXPECT_NE(text.find("Destroying game\nTime: "), std::string::npos) << text;
    EXPECT_LT(text.find("Destroying game\nTime: "), text.rfind("Destroying game\nTime: "))
        << "both copies' last lines: " << text;
}

// A server that accepts and never answers, with a time-out far away: SIGTERM cancels the stalled
// start-up login at once, and the run ends as a refused one does (a run still there after 20 s
// is killed, which fails the test instead of hanging it).
TEST_F(LauncherProgramTest, ASignalCancelsAStalledTransfer) {
    Testing::ScriptedServer server(
        [](int, const std::string &) {
            return Testing::ScriptedReply{{}, Testing::ScriptedReply::End::Stall};
        },
        1);
    install({{"URL", server.url().substr(0, server.url().find("/ksclient"))},
             {"receiveTimeout", "600"}});
    const int status =
        run("\"$PROGRAM\" -uac -u player -p digest 2>/dev/null & pid=$!; "
            "for i in $(seq 100); do "
            "grep -q Authenticate documents/Brightwell/configuration/launcher.log && break; "
            "sleep 0.1; done; sleep 0.3; kill -TERM $pid; "
            "for i in $(seq 200); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done; "
            "kill -KILL $pid 2>/dev/null; wait $pid");
    EXPECT_EQ(status, 2) << log();
    EXPECT_EQ(server.requestLines().size(), 1u);
}

} // namespace
