// Reading the configuration file: the failure table, the server address, malformed
// credentials and the local manifest.
#include "app/LauncherApp.h"

#include "app/Engine.h"
#include "io/FileServer.h"
#include "network/KSConnector.h"
#include "serialization/XMLInputArchive.h"
#include "tests/app/LauncherFixture.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string LocalUrl = "<URL>http://127.0.0.1:9</URL>";

class LauncherConfigurationTest : public Testing::LauncherFixture {
protected:
    void writeCredentials(const std::string &text) const {
        folder.write("documents/Brightwell/configuration/credentials.xml", text);
    }
    bool loadWithCredentials(const std::string &text) {
        std::filesystem::create_directories(configurationFolder());
        writeCredentials(text);
        return load(LocalUrl + "<credentialFile>configuration:credentials.xml</credentialFile>");
    }
    std::string storedUser() const {
        std::string user, password;
        app->getCredentials(user, password);
        return user + "/" + password;
    }
};

TEST_F(LauncherConfigurationTest, AConfigurationOfOnlyTheAddressSucceeds) {
    ASSERT_TRUE(load(LocalUrl));
    EXPECT_EQ(app->getServerUrl(), "http://127.0.0.1:9/ksclient/ksserver.php");
    EXPECT_NE(app->getConnector(), nullptr);
    EXPECT_EQ(app->getLocalManifest(), nullptr);
    EXPECT_EQ(app->getLocalManifestSize(), 0u);
    EXPECT_EQ(app->getLogo(), nullptr);
    EXPECT_EQ(storedUser(), "/");
    EXPECT_EQ(app->getCurrentState()->getName(), "Login");
}

TEST_F(LauncherConfigurationTest, AMissingFileFailsAfterCreatingTheConfigurationFolder) {
    EXPECT_FALSE(app->loadConfiguration(folder / "missing.xml"));
    EXPECT_TRUE(std::filesystem::is_directory(configurationFolder()));
    EXPECT_EQ(app->getConnector(), nullptr);
    EXPECT_NE(app->findState("WaitAdminUpdate"), nullptr) << "states come first";
}

TEST_F(LauncherConfigurationTest, BrokenXmlFailsAndLogsWhere) {
    const Testing::LogCapture log;
    folder.write("launcher.xml", "<launcher>\n<URL>http://127.0.0.1:9</URL>\n<root>\n</launcher>");
    EXPECT_FALSE(app->loadConfiguration(folder / "launcher.xml"));
    EXPECT_NE(log.text().find(" in row "), std::string::npos) << log.text();
    EXPECT_EQ(app->getConnector(), nullptr);
}

TEST_F(LauncherConfigurationTest, ATopNodeOtherThanLauncherFails) {
    folder.write("launcher.xml", "<Launcher><URL>http://127.0.0.1:9</URL></Launcher>");
    EXPECT_FALSE(app->loadConfiguration(folder / "launcher.xml"));
    EXPECT_EQ(app->getConnector(), nullptr);
}

TEST_F(LauncherConfigurationTest, AMissingOrEmptyAddressFailsWithoutConnector) {
    EXPECT_FALSE(load("<manifestFile>none.xml</manifestFile>"));
    EXPECT_EQ(app->getConnector(), nullptr);
    app = std::make_unique<Kestrel::LauncherApp>();
    EXPECT_FALSE(load("<URL></URL>"));
    EXPECT_EQ(app->getConnector(), nullptr);
}

TEST_F(LauncherConfigurationTest, AnAddressTheConnectorCannotUseFailsInsteadOfThrowing) {
    const Testing::LogCapture log;
    EXPECT_FALSE(load("<URL>no-scheme-here</URL>"));
    EXPECT_EQ(app->getConnector(), nullptr);
    EXPECT_NE(log.text().find("Invalid URL. no-scheme-here/ksclient/ksserver.php"),
              std::string::npos)
        << log.text();
}

TEST_F(LauncherConfigurationTest, MissingOrMalformedCredentialsAreIgnored) {
    ASSERT_TRUE(loadWithCredentials("<userID>ann</userID><password>x</password"));
    EXPECT_EQ(storedUser(), "/");
    app = std::make_unique<Kestrel::LauncherApp>();
    std::filesystem::remove(configurationFolder() + "credentials.xml");
    ASSERT_TRUE(load(LocalUrl + "<credentialFile>configuration:credentials.xml</credentialFile>"));
    EXPECT_EQ(storedUser(), "/");
}

TEST_F(LauncherConfigurationTest, AMalformedManifestIsKeptEmptyAndAMissingOneIsNone) {
    folder.write("broken.xml", "<manifest version=\"3\">");
    ASSERT_TRUE(load(LocalUrl + "<manifestFile>broken.xml</manifestFile>"));
    ASSERT_NE(app->getLocalManifest(), nullptr);
    EXPECT_EQ(app->getLocalManifestSize(), 22u);
    EXPECT_EQ(Testing::manifestVersion(app->getLocalManifest()), "<none>") << "nothing parsed";

    app = std::make_unique<Kestrel::LauncherApp>();
    ASSERT_TRUE(load(LocalUrl + "<manifestFile>absent.xml</manifestFile>"));
    EXPECT_EQ(app->getLocalManifest(), nullptr);
    EXPECT_EQ(app->getLocalManifestSize(), 0u);
    EXPECT_EQ(app->getManifestFile(), "absent.xml");
}

} // namespace
