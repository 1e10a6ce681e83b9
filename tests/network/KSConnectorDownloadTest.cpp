// Release downloads from the reference server over real HTTP, and the server's path rules.
#include "network/KSConnectorImpl.h"
#include "tests/network/ReferenceServerFixture.h"

using Testing::ReferenceServerFixture;

namespace {

std::string text(const std::vector<char> &bytes) { return std::string(bytes.begin(), bytes.end()); }

class SiteDownloadTest : public ReferenceServerFixture {
protected:
    void SetUp() override {
        ReferenceServerFixture::SetUp();
        if (connector)
            connector->setCredentials(Player.name, Player.passwordDigest);
    }
};

TEST_F(SiteDownloadTest, DeliversEveryByteWithProgressAndResetsIt) {
    std::string package;
    for (int i = 0; i < 300000; ++i)
        package += static_cast<char>(i * 7 % 256);
    server.writeReleaseFile("packages/base.zip", package);
    std::int32_t lastProgress = 0;
    int calls = 0;
    connector->setProgressCallback([&] {
        ++calls;
        lastProgress = connector->getProgress();
    });
    std::vector<char> buffer;
    ASSERT_TRUE(connector->downloadSiteFile("packages/base.zip", &buffer));
    EXPECT_TRUE(text(buffer) == package);
    EXPECT_GE(calls, 1);
    EXPECT_EQ(lastProgress, 300000);
    EXPECT_EQ(connector->getProgress(), 0);
}

struct LineEndCase {
    std::string name;
    std::string held;
    std::string file;
    std::string result;
};

void PrintTo(const LineEndCase &value, std::ostream *out) { *out << value.name; }

class SiteLineEndTest : public SiteDownloadTest,
                        public ::testing::WithParamInterface<LineEndCase> {};

TEST_P(SiteLineEndTest, RemovesTrailingLineEndsOfTheDownloadOnly) {
    const std::string name = "line-end-" + GetParam().name + ".txt";
    server.writeReleaseFile(name, GetParam().file);
    std::vector<char> buffer(GetParam().held.begin(), GetParam().held.end());
    ASSERT_TRUE(connector->downloadSiteFile(name, &buffer));
    EXPECT_EQ(text(buffer), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SiteLineEndTest,
    ::testing::Values(LineEndCase{"CrLfCrLf", "", "manifest\r\n\r\n", "manifest"},
                      LineEndCase{"LoneCr", "", "manifest\r", "manifest\r"},
                      LineEndCase{"CrBeforeCrLf", "", "data\r\r\n", "data\r"},
                      LineEndCase{"ManyLf", "", "data\n\n\n", "data"},
                      LineEndCase{"InnerLineEndsKept", "", "a\r\nb\n", "a\r\nb"},
                      LineEndCase{"OnlyLineEnds", "", "\r\n\n", ""},
                      LineEndCase{"HeldBytesKeepTheirLineEnd", "held\n", "data\n", "held\ndata"},
                      LineEndCase{"EmptyFileLeavesHeldBytes", "held\r\n", "", "held\r\n"}),
    [](const ::testing::TestParamInfo<LineEndCase> &info) { return info.param.name; });

TEST_F(SiteDownloadTest, WrongPasswordIsNotAuthorized) {
    server.writeReleaseFile("guarded.zip", "secret");
    connector->setCredentials(Player.name, "ffffffffffffffffffffffffffffffff");
    std::vector<char> buffer;
    EXPECT_EQ(failureOf([&] { connector->downloadSiteFile("guarded.zip", &buffer); }),
              "player is not authorized to visit this site");
}

TEST_F(SiteDownloadTest, MissingCredentialsAreNotAuthorized) {
    connector->setCredentials("", "");
    std::vector<char> buffer;
    EXPECT_EQ(failureOf([&] { connector->downloadSiteFile("guarded.zip", &buffer); }),
              " is not authorized to visit this site");
}

TEST_F(SiteDownloadTest, MissingFileIsNotFound) {
    std::vector<char> buffer;
    EXPECT_EQ(failureOf([&] { connector->downloadSiteFile("no-such.zip", &buffer); }),
              "File not found, no-such.zip");
}

TEST_F(SiteDownloadTest, FolderIsNotAFile) {
    server.writeReleaseFile("folder/inside.txt", "x");
    std::vector<char> buffer;
    EXPECT_EQ(failureOf([&] { connector->downloadSiteFile("folder", &buffer); }),
              "File not found, folder");
}

TEST_F(SiteDownloadTest, BrokenServerConfigurationIsAnotherStatus) {
    server.writeConfigurationText("<?php\nreturn 'not an array';\n");
    std::vector<char> buffer;
    EXPECT_EQ(failureOf([&] { connector->downloadSiteFile("any.zip", &buffer); }),
              "Http request failed. 500 Internal Server Error\r\n ");
}

class ReleaseFolderEscapeTest : public SiteDownloadTest,
                                public ::testing::WithParamInterface<std::string> {};

TEST_P(ReleaseFolderEscapeTest, IsNotFoundAndLogged) {
    std::vector<char> buffer;
    EXPECT_EQ(failureOf([&] { connector->downloadSiteFile(GetParam(), &buffer); }),
              "File not found, " + GetParam());
    EXPECT_NE(server.errorLog().find("refused download of \"" + GetParam() + "\""),
              std::string::npos)
        << server.errorLog();
}

// The script puts outside/secret.txt beside the release folder and release/outside-link to it.
INSTANTIATE_TEST_SUITE_P(Paths, ReleaseFolderEscapeTest,
                         ::testing::Values("../outside/secret.txt", "sub/../../outside/secret.txt",
                                           "..", "/etc/hostname", "outside-link",
                                           "C:/Windows/win.ini"));

TEST_F(SiteDownloadTest, SubfolderInsideTheReleaseFolderIsServed) {
    server.writeReleaseFile("groups/a/b.bin", "inner");
    std::vector<char> buffer;
    ASSERT_TRUE(connector->downloadSiteFile("groups/a/b.bin", &buffer));
    EXPECT_EQ(text(buffer), "inner");
}

using FileDownloadTest = ReferenceServerFixture;

TEST_F(FileDownloadTest, EmptyPathFetchesTheScriptItself) {
    std::vector<char> buffer;
    EXPECT_EQ(failureOf([&] { connector->downloadFile("", &buffer); }),
              "Http request failed. 400 Bad Request\r\n ");
    EXPECT_EQ(text(buffer), "Unknown action");
}

TEST_F(FileDownloadTest, RelativePathIsAppendedToTheScriptPath) {
    Testing::ServerConfiguration configuration = defaultConfiguration();
    configuration.actions["echo"] = "{query}";
    server.configure(configuration);
    std::vector<char> buffer{'>'};
    EXPECT_TRUE(connector->downloadFile("?action=echo&x=1", &buffer));
    EXPECT_EQ(text(buffer), ">action=echo&x=1");
}

TEST_F(FileDownloadTest, MissingAbsolutePathIsNotFound) {
    std::vector<char> buffer;
    EXPECT_EQ(failureOf([&] { connector->downloadFile("/no/such/file.txt", &buffer); }),
              "File not found. /no/such/file.txt");
}

} // namespace
