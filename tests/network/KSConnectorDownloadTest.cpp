// Release downloads from the reference server over real HTTP, and the server's path rules.
#include "tests/network/ReferenceServerFixture.h"
#include "tests/support/FailureOf.h"

using Testing::failureOf;

namespace {

std::string text(const std::vector<char> &bytes) { return std::string(bytes.begin(), bytes.end()); }

class SiteDownloadTest : public Testing::ReferenceServerFixture {
protected:
    void SetUp() override {
        ReferenceServerFixture::SetUp();
        if (connector)
            connector->setCredentials(PlayerName, PlayerDigest);
    }
};

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

TEST_F(SiteDownloadTest, RemovesTrailingLineEndsOfTheDownloadOnly) {
    const struct {
        std::string name;
        std::string held;
        std::string file;
        std::string result;
    } cases[] = {{"crlfcrlf.txt", "", "manifest\r\n\r\n", "manifest"},
                 {"lone-cr.txt", "", "manifest\r", "manifest\r"},
                 {"cr-before-crlf.txt", "", "data\r\r\n", "data\r"},
                 {"many-lf.txt", "", "data\n\n\n", "data"},
                 {"groups/a/inner.txt", "", "a\r\nb\n", "a\r\nb"},
                 {"only-line-ends.txt", "", "\r\n\n", ""},
                 {"held.txt", "held\n", "data\n", "held\ndata"},
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
    writeReleaseFile("folder/inside.txt", "x");
    std::vector<char> buffer;
    const auto failure = [&](const std::string &name) {
        return failureOf([&] { connector->downloadSiteFile(name, &buffer); });
    };
    EXPECT_EQ(failure("no-such.zip"), "File not found, no-such.zip");
    EXPECT_EQ(failure("folder"), "File not found, folder");
    EXPECT_EQ(errorLog().find("\"no-such.zip\""), std::string::npos);
    for (const std::string name : {"../outside/secret.txt", "sub/../../outside/secret.txt", "..",
                                   "/etc/hostname", "outside-link", "C:/Windows/win.ini"}) {
        EXPECT_EQ(failure(name), "File not found, " + name);
        EXPECT_NE(errorLog().find("refused download of \"" + name + "\""), std::string::npos)
            << name;
    }
    connector->setCredentials(PlayerName, std::string(32, 'f'));
    EXPECT_EQ(failure("guarded.zip"), "player is not authorized to visit this site");
    connector->setCredentials("", "");
    EXPECT_EQ(failure("guarded.zip"), " is not authorized to visit this site");
    writeConfigurationText("<?php\nreturn 'not an array';\n");
    EXPECT_EQ(failure("guarded.zip"), "Http request failed. 500 Internal Server Error\r\n ");
}

using FileDownloadTest = Testing::ReferenceServerFixture;

TEST_F(FileDownloadTest, EmptyPathIsTheScriptRelativeIsAppendedAbsoluteIsTheServers) {
    std::vector<char> buffer;
    EXPECT_EQ(failureOf([&] { connector->downloadFile("", &buffer); }),
              "Http request failed. 400 Bad Request\r\n ");
    EXPECT_EQ(text(buffer), "Unknown action");
    // Unlike a site file, the body keeps its line ends.
    buffer = {'>'};
    EXPECT_TRUE(connector->downloadFile("?action=lines", &buffer));
    EXPECT_EQ(text(buffer), ">a\r\n\r\n");
    EXPECT_EQ(failureOf([&] { connector->downloadFile("/no/such/file.txt", &buffer); }),
              "File not found. /no/such/file.txt");
}

} // namespace
