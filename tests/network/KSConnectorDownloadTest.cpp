// Release downloads from the reference server over real HTTP, and the server's path rules.
#include "tests/network/ReferenceServerFixture.h"
#include "tests/network/ScriptedServer.h"
#include "tests/support/FailureOf.h"

using Testing::failureOf;

namespace {

std::string text(const std::vector<char> &bytes) { return std::string(bytes.begin(), bytes.end()); }

using SiteDownloadTest = Testing::ReferenceServerFixture;

TEST_F(SiteDownloadTest, DeliversEveryByteWithProgressAndResetsIt) {
    std::string package;
    for (int i = 0; i < 300000; ++i)
        package += static_cast<char>(i * 7 % 256);
    writeReleaseFile("packages/base.zip", package);
    std::int32_t lastProgress = 0;
    connector->setProgressCallback([&] { lastProgress = connector->getProgress(); });
    std::vector<char> buffer;
    ASSERT_TRUE(connector->downloadSiteFile("packages/base.zip", &buffer));
    EXPECT_TRUE(text(buffer) == package);
    EXPECT_EQ(lastProgress, 300000);
    EXPECT_EQ(connector->getProgress(), 0);
}

// Only the downloaded bytes lose their trailing line ends; what the caller held stays intact.
TEST_F(SiteDownloadTest, RemovesTrailingLineEndsOfTheDownloadOnly) {
    const struct {
        std::string name;
        std::string held;
        std::string file;
        std::string result;
    } cases[] = {{"crlfcrlf.txt", "", "manifest\r\n\r\n", "manifest"},
                 {"lone-cr.txt", "", "manifest\r", "manifest\r"},
                 {"only-line-ends.txt", "held\n", "\r\n\n", "held\n"},
                 {"empty.txt", "held\r\n", "", "held\r\n"}};
    for (const auto &test : cases) {
        writeReleaseFile(test.name, test.file);
        std::vector<char> buffer(test.held.begin(), test.held.end());
        ASSERT_TRUE(connector->downloadSiteFile(test.name, &buffer)) << test.name;
        EXPECT_EQ(text(buffer), test.result) << test.name;
    }
}

// The script puts outside/secret.txt beside the release folder and release/outside-link to it.
TEST_F(SiteDownloadTest, RefusalsFailWithTheirTextAndEscapesAreLogged) {
    writeReleaseFile("guarded.zip", "secret");
    std::vector<char> buffer;
    const auto failure = [&](const std::string &name) {
        return failureOf([&] { connector->downloadSiteFile(name, &buffer); });
    };
    EXPECT_EQ(failure("no-such.zip"), "File not found, no-such.zip");
    EXPECT_EQ(errorLog().find("\"no-such.zip\""), std::string::npos);
    for (const std::string name :
         {"sub/../../outside/secret.txt", "/etc/hostname", "outside-link"}) {
        EXPECT_EQ(failure(name), "File not found, " + name);
        EXPECT_NE(errorLog().find("refused download of \"" + name + "\""), std::string::npos)
            << name;
    }
    // The text is built in a fixed-size buffer: a long name is cut, never overrun.
    connector->setCredentials(std::string(700, 'u'), PlayerDigest);
    EXPECT_EQ(failure("guarded.zip"), std::string(499, 'u'));
    connector->setCredentials("", "");
    EXPECT_EQ(failure("guarded.zip"), " is not authorized to visit this site");
    // A server fault would be tried again seconds apart; its text needs one try.
    connector->setTransferSettings(Testing::singleTry());
    writeConfigurationText("<?php\nreturn 'not an array';\n");
    EXPECT_EQ(failure("guarded.zip"), "Http request failed. 500 Internal Server Error\r\n ");
}

// Hidden files are never release files, and naming the folder itself is no escape attempt.
TEST_F(SiteDownloadTest, HiddenFilesAndTheFolderAreNotFoundWithoutAnEscapeLogged) {
    writeReleaseFile(".hidden", "hidden");
    writeReleaseFile("sub/.git/config", "hidden");
    writeReleaseFile("sub/visible.txt", "visible");
    const std::string logBefore = errorLog();
    std::vector<char> buffer;
    for (const std::string name : {"sub/.git/config", ".", "./.hidden"}) {
        EXPECT_EQ(failureOf([&] { connector->downloadSiteFile(name, &buffer); }),
                  "File not found, " + name);
    }
    EXPECT_EQ(errorLog(), logBefore);
    buffer.clear();
    ASSERT_TRUE(connector->downloadSiteFile("./sub/visible.txt", &buffer));
    EXPECT_EQ(text(buffer), "visible");
}

// The order shows that the script's path comes back after a failed and after a good download.
TEST_F(SiteDownloadTest, FileDownloadTakesEmptyRelativeAndAbsolutePaths) {
    std::vector<char> buffer;
    EXPECT_EQ(failureOf([&] { connector->downloadFile("/no/such/file.txt", &buffer); }),
              "File not found. /no/such/file.txt");
    // Unlike a site file, the body keeps its line ends.
    buffer = {'>'};
    EXPECT_TRUE(connector->downloadFile("?action=lines", &buffer));
    EXPECT_EQ(text(buffer), ">a\r\n\r\n");
    buffer.clear();
    EXPECT_EQ(failureOf([&] { connector->downloadFile("", &buffer); }),
              "Http request failed. 400 Bad Request\r\n ");
    EXPECT_EQ(text(buffer), "Unknown action");
}

} // namespace
