// The launcher against the reference server on 127.0.0.1: the "-uac" start-up login and the
// download, keeping and committing of the server's manifest.
#include "app/CommandLine.h"
#include "app/LauncherApp.h"

#include "serialization/XMLInputArchive.h"
#include "states/CheckVersionState.h"
#include "states/LoginState.h"
#include "tests/network/ReferenceServerFixture.h"
#include "tests/support/FailureOf.h"
#include "tests/support/LauncherHarness.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

class LauncherServerTest : public Testing::ReferenceServerFixture, public Testing::LauncherHarness {
protected:
    void SetUp() override {
        ReferenceServerFixture::SetUp();
        if (IsSkipped())
            return;
        std::filesystem::create_directories(configurationFolder());
        folder.write("documents/Brightwell/configuration/credentials.xml",
                     "<userID>" + PlayerName + "</userID><password>" + PlayerDigest +
                         "</password>");
        ASSERT_TRUE(load("<URL>" + std::string(std::getenv("BRIGHTWELL_SERVER_URL")) +
                         "</URL><credentialFile>configuration:credentials.xml</credentialFile>"
                         "<manifestFile>manifest.xml</manifestFile>"));
    }

    std::string current() const { return app->getCurrentState()->getName(); }
};

TEST_F(LauncherServerTest, AStartupLoginWithTheRememberedCredentialsMakesTheElevatedCopy) {
    EXPECT_TRUE(Kestrel::CommandLine::apply("-uac -f", *app));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(current(), "CheckVersion");
    EXPECT_TRUE(app->isElevatedInstance());
    EXPECT_EQ(sentCredentials(), PlayerName + "/" + PlayerDigest) << "handed to the connector";
    EXPECT_TRUE(
        dynamic_cast<Kestrel::CheckVersionState &>(*app->findState("CheckVersion")).fullCheck);
}

TEST_F(LauncherServerTest, TheConfiguredCertificateBundleIsTheOneTheConnectionUses) {
    const std::string https =
        "<URL>https" + std::string(std::getenv("BRIGHTWELL_SERVER_URL")).substr(4) + "</URL>";
    // The bundle is read before the server is asked anything; the plain server then fails the
    // handshake.
    for (const auto &[caFile, error] : {std::pair{"<caFile>missing.pem</caFile>", "77"},
                                        std::pair{"", "35"}}) {
        restartEngine();
        ASSERT_TRUE(load(https + caFile));
        EXPECT_FALSE(Kestrel::CommandLine::apply("-uac -u " + PlayerName + " -p x", *app));
        ASSERT_FALSE(boxes.empty());
        EXPECT_EQ(boxes.back().text.rfind("Login failed.\nError " + std::string(error), 0), 0u)
            << boxes.back().text;
    }
}

TEST_F(LauncherServerTest, ARefusedOrFailingStartupLoginShowsWhyAndStaysAtTheLoginScreen) {
    EXPECT_FALSE(Kestrel::CommandLine::apply("-uac -u " + PlayerName + " -p wrong -n", *app));
    configure({}, "auth", "OK,only-one-value");
    EXPECT_FALSE(Kestrel::CommandLine::apply("-uac", *app));
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Login failed.\nLogin or Password incorrect");
    EXPECT_EQ(boxes[0].caption, "Brightwell Launcher");
    EXPECT_EQ(boxes[0].kind, Kestrel::Platform::MessageBoxKind::OkExclamation);
    EXPECT_EQ(boxes[1].text, "Login failed.\nInvalid Authentication response \nOK,only-one-value");
    EXPECT_EQ(current(), "Login");
    EXPECT_FALSE(app->isElevatedInstance());
    EXPECT_EQ(sentCredentials(), PlayerName + "/wrong") << "stored before the attempt";
    EXPECT_TRUE(dynamic_cast<Kestrel::LoginState &>(*app->findState("Login")).skipCheck)
        << "start-up goes on with the switches";
}

TEST_F(LauncherServerTest, TheDownloadedManifestIsKeptAndCommittedOverTheLocalOne) {
    folder.write("manifest.xml", "<manifest version=\"6\"/>");
    writeReleaseFile("manifest-7.xml", "<manifest version=\"7\">\r\n</manifest>\r\n");
    app->setCredentials(PlayerName, PlayerDigest);
    app->downloadManifest("manifest-7.xml");
    Cobalt::XMLInputArchive *server = app->getServerManifest();
    EXPECT_EQ(Testing::manifestVersion(server), "7");
    EXPECT_EQ(folder.read(".brightwell/server-manifest.xml"),
              "<manifest version=\"7\">\r\n</manifest>")
        << "byte for byte, without the trailing line end";

    // A failed download throws and keeps the manifest that came before.
    EXPECT_EQ(Testing::failureOf([this] { app->downloadManifest("missing.xml"); }),
              "File not found, missing.xml");
    EXPECT_EQ(app->getServerManifest(), server);

    app->commitManifest();
    EXPECT_EQ(folder.read("manifest.xml"), "<manifest version=\"7\">\r\n</manifest>");
    EXPECT_FALSE(std::filesystem::exists(folder / ".brightwell/server-manifest.xml"));

    // A manifest is held in memory while it arrives: one byte over the limit is refused.
    std::string huge = "<manifest version=\"8\"/>";
    huge.resize(Kestrel::LauncherApp::ManifestLimit + 1, ' ');
    writeReleaseFile("huge.xml", huge);
    const Testing::LogCapture capture;
    EXPECT_FALSE(app->downloadManifest("huge.xml"));
    EXPECT_NE(capture.text().find("The server manifest huge.xml is larger than 64 MiB"),
              std::string::npos);
    EXPECT_EQ(Testing::manifestVersion(app->getServerManifest()), "7");
}

} // namespace
