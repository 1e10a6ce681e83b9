// Reading the configuration file: the failure table, the server address, the remembered
// credentials, the local manifest, the configuration folder and the six states.
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

TEST_F(LauncherConfigurationTest, TheSixStatesAreRegisteredInTheirFixedOrder) {
    ASSERT_TRUE(load(LocalUrl));
    // As the elevated copy, so that entering "StartGame" starts nothing.
    app->setElevatedInstance(true);
    const char *names[] = {"Login", "CheckVersion", "StartGame", "ManifestUpdate", "GroupUpdate"};
    for (unsigned index = 5; index-- > 0;) {
        app->changeState(names[index]);
        EXPECT_EQ(app->getCurrentStateIndex(), index) << names[index];
        EXPECT_EQ(app->getCurrentState()->getName(), names[index]);
        EXPECT_EQ(app->getCurrentState()->getApp(), app.get());
    }
    // The last one moves on at once when there is no elevated copy to wait for.
    ASSERT_NE(app->findState("WaitAdminUpdate"), nullptr);
    EXPECT_EQ(app->findState("WaitAdminUpdate")->getApp(), app.get());
    app->changeState("WaitAdminUpdate");
    EXPECT_EQ(app->getCurrentState()->getName(), "StartGame");
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

TEST_F(LauncherConfigurationTest, TheScriptPathIsAppendedVerbatim) {
    ASSERT_TRUE(load("<URL>http://127.0.0.1:9/</URL>"));
    EXPECT_EQ(app->getServerUrl(), "http://127.0.0.1:9//ksclient/ksserver.php");
    app = std::make_unique<Kestrel::LauncherApp>();
    ASSERT_TRUE(load("<URL>http://127.0.0.1:9/game?realm=2</URL>"));
    EXPECT_EQ(app->getServerUrl(), "http://127.0.0.1:9/game?realm=2/ksclient/ksserver.php");
}

TEST_F(LauncherConfigurationTest, RememberedCredentialsAreRead) {
    ASSERT_TRUE(loadWithCredentials("<?xml version=\"1.0\" ?>\n<userID>ann</userID>\n"
                                    "<password>0cc175b9c0f1b6a831c399e269772661</password>\n"));
    EXPECT_EQ(storedUser(), "ann/0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(app->getCredentialFile(), "configuration:credentials.xml");
    EXPECT_EQ(app->getCurrentState()->getName(), "Login");
}

TEST_F(LauncherConfigurationTest, AFileWithOnlyTheUserNameLeavesThePasswordEmpty) {
    ASSERT_TRUE(loadWithCredentials("<userID>ann</userID>"));
    EXPECT_EQ(storedUser(), "ann/");
}

TEST_F(LauncherConfigurationTest, MissingOrMalformedCredentialsAreIgnored) {
    ASSERT_TRUE(loadWithCredentials("<userID>ann</userID><password>x</password"));
    EXPECT_EQ(storedUser(), "/");
    app = std::make_unique<Kestrel::LauncherApp>();
    std::filesystem::remove(configurationFolder() + "credentials.xml");
    ASSERT_TRUE(load(LocalUrl + "<credentialFile>configuration:credentials.xml</credentialFile>"));
    EXPECT_EQ(storedUser(), "/");
}

TEST_F(LauncherConfigurationTest, TheLocalManifestIsKeptWithItsSizeInBytes) {
    const std::string manifest =
        "<manifest version=\"12\">\r\n<group name=\"core\"/>\r\n</manifest>";
    folder.write("manifest.xml", manifest);
    ASSERT_TRUE(load(LocalUrl + "<manifestFile>manifest.xml</manifestFile>"));
    EXPECT_EQ(app->getManifestFile(), "manifest.xml");
    EXPECT_EQ(app->getLocalManifestSize(), manifest.size());
    Cobalt::XMLInputArchive *local = app->getLocalManifest();
    ASSERT_NE(local, nullptr);
    std::string version;
    ASSERT_TRUE(local->enter("manifest"));
    EXPECT_TRUE(local->readAttribute("version", version));
    EXPECT_EQ(version, "12");
}

TEST_F(LauncherConfigurationTest, AMalformedManifestIsKeptEmptyAndAMissingOneIsNone) {
    folder.write("broken.xml", "<manifest version=\"3\">");
    ASSERT_TRUE(load(LocalUrl + "<manifestFile>broken.xml</manifestFile>"));
    ASSERT_NE(app->getLocalManifest(), nullptr);
    EXPECT_EQ(app->getLocalManifestSize(), 22u);
    EXPECT_FALSE(app->getLocalManifest()->enter("manifest")) << "nothing was parsed";

    app = std::make_unique<Kestrel::LauncherApp>();
    ASSERT_TRUE(load(LocalUrl + "<manifestFile>absent.xml</manifestFile>"));
    EXPECT_EQ(app->getLocalManifest(), nullptr);
    EXPECT_EQ(app->getLocalManifestSize(), 0u);
    EXPECT_EQ(app->getManifestFile(), "absent.xml");
}

TEST_F(LauncherConfigurationTest, TheLauncherFoldersLieBelowTheSystemFolders) {
    ASSERT_TRUE(load(LocalUrl));
    Cobalt::IO::FileServer *files = app->getFileServer();
    ASSERT_EQ(files, Cobalt::Engine::instance()->getFileServer());
    EXPECT_EQ(files->resolve("configuration:a.xml"),
              (folder / "documents") + "/Brightwell/configuration/a.xml");
    EXPECT_EQ(files->resolve("temp:a.xml"), (folder / "temp") + "/Brightwell/a.xml");
    EXPECT_EQ(files->resolve("data:a.xml"), (folder / "data") + "/Brightwell/a.xml");
}

} // namespace
