// The manifest download end to end against the reference server: the KiB counter and bar while it
// arrives, retries after a failed request, and manifests that must never become the local one.
#include "states/ManifestUpdateState.h"

#include "tests/support/LogCapture.h"
#include "tests/support/headless/LaunchTest.h"
#include "tests/support/posix/FileSizeLimit.h"

#include <gtest/gtest.h>

#include <filesystem>

using Testing::ReleaseWriter;
namespace fs = std::filesystem;

namespace {

// A manifest text of exactly size bytes (at least 40): the root, padded with a comment.
std::string manifestOfSize(const std::string &version, std::size_t size) {
    const std::string head = "<manifest version=\"" + version + "\"/>";
    return head + "<!--" + std::string(size - head.size() - 7, 'x') + "-->";
}

class ManifestUpdateStateTest : public Testing::LaunchTest {};

TEST_F(ManifestUpdateStateTest, TheCounterEstimatesTheSizeFromTheLocalManifestInWholeKiB) {
    struct Case {
        std::size_t localSize; // 0: no local manifest
        std::size_t servedSize;
        std::vector<std::string> counters;
        std::vector<std::string> bars;
    };
    const Case cases[] = {
        {0, 7 * 1024 + 500, {"(0/?)", "(7/?)"}, {"marquee"}},
        {1023, 2048, {"(0/?)", "(2/?)"}, {"marquee"}},
        {1024, 500, {"(0/1)"}, {"0/1"}},
        // More arrives than the estimate: the counter and the bar stop at it.
        {3 * 1024, 5000, {"(0/3)", "(3/3)"}, {"0/3", "3/3"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("local manifest of " + std::to_string(c.localSize) + " bytes");
        fs::remove(folder / "manifest.xml");
        if (c.localSize > 0)
            place("manifest.xml", manifestOfSize("6", c.localSize));
        const std::string served = manifestOfSize("7", c.servedSize);
        writeReleaseFile(ServerManifest, served);
        shown.clear();
        bars.clear();

        EXPECT_EQ(runUpdate(), "StartGame");

        EXPECT_EQ(counters(), c.counters);
        EXPECT_EQ(std::vector<std::string>(bars.begin(), bars.begin() + c.bars.size()), c.bars);
        EXPECT_EQ(shown.front(), "Downloading the list of game files");
        EXPECT_EQ(localManifest(), served) << "a manifest without groups is committed at once";
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ManifestUpdateStateTest, AFailedDownloadIsShownAndTriedAgainOnTheNextUpdate) {
    place("manifest.xml", "<manifest version=\"6\"/>");
    ReleaseWriter release("7");
    release.addGroup("core", "7", "core.zip").add("game.exe", "game of 7", "7");
    std::string stateAtBox;
    onSample = [&] {
        if (!boxes.empty() && stateAtBox.empty()) {
            stateAtBox = app->getCurrentState()->getName();
            publish(release);
        }
    };

    EXPECT_EQ(runUpdate(), "StartGame");

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "An Error Occured.\nFile not found, " + ServerManifest);
    EXPECT_EQ(stateAtBox, "ManifestUpdate");
    EXPECT_EQ(installed("game.exe"), "game of 7");
    EXPECT_EQ(localManifest(), served(release.manifest()));
}

TEST_F(ManifestUpdateStateTest, AManifestThatDoesNotParseNeverReplacesTheLocalOne) {
    const std::string local = "<manifest version=\"6\"/>";
    ReleaseWriter release("7");
    release.addGroup("core", "7", "core.zip").add("game.exe", "game of 7", "7");
    const std::string whole = release.manifest();
    const std::string broken[] = {
        // An error page served with status 200.
        "<html><head><title>Maintenance</title></head><body>Back soon</body></html>",
        // A transfer cut off inside the first group.
        whole.substr(0, whole.find("game.exe") + 20),
    };
    for (const std::string &text : broken) {
        SCOPED_TRACE(text);
        place("manifest.xml", local);
        place("game.exe", "game of 6");
        // A complete copy from an earlier run that ended before its commit.
        place(".brightwell/server-manifest.xml", whole);
        publish(release);
        writeReleaseFile(ServerManifest, text);
        boxes.clear();
        start();
        std::string log;
        {
            const Testing::LogCapture capture;
            EXPECT_EQ(runUpdate(), "StartGame") << "the game starts with the files there are";
            log = capture.text();
        }

        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, Kestrel::ManifestUpdateState::NoManifestText);
        EXPECT_EQ(boxes[0].caption, "Brightwell Launcher");
        EXPECT_EQ(localManifest(), local);
        EXPECT_EQ(installed("game.exe"), "game of 6");
        EXPECT_FALSE(fs::exists(folder / ".brightwell/server-manifest.xml"));
        EXPECT_NE(log.find("The server manifest " + ServerManifest + " is no manifest"),
                  std::string::npos)
            << log;
    }
}

TEST_F(ManifestUpdateStateTest, AManifestThatCannotBeSavedWholeIsNotKept) {
    const std::string local = "<manifest version=\"6\"/>";
    place("manifest.xml", local);
    place(".brightwell/server-manifest.xml", manifestOfSize("7", 3000));
    writeReleaseFile(ServerManifest, manifestOfSize("7", 10000));
    start();
    {
        const Testing::FileSizeLimit nearlyFull(4096);
        EXPECT_EQ(runUpdate(), "StartGame");
    }

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, Kestrel::ManifestUpdateState::NoManifestText);
    EXPECT_EQ(localManifest(), local);
    EXPECT_FALSE(fs::exists(folder / ".brightwell/server-manifest.xml")) << "no part of it is left";
}

} // namespace
