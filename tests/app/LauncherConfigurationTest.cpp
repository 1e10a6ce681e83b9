// Reading the configuration file: the failure table, the server address and the local manifest.
#include "app/LauncherApp.h"

#include "app/LauncherState.h"
#include "tests/support/LauncherHarness.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string LocalUrl = "<URL>http://127.0.0.1:9</URL>";

class LauncherConfigurationTest : public Testing::LauncherFixture {
protected:
    // Whether a fresh application fails to load the file at path and is left without connector.
    bool refused(const std::string &path) {
        app = std::make_unique<Kestrel::LauncherApp>();
        return !app->loadConfiguration(path) && app->getConnector() == nullptr;
    }
    // The path of launcher.xml holding exactly text.
    std::string file(const std::string &text) const {
        folder.write("launcher.xml", text);
        return folder / "launcher.xml";
    }
};

TEST_F(LauncherConfigurationTest, AConfigurationOfOnlyTheAddressSucceeds) {
    ASSERT_TRUE(load(LocalUrl));
    EXPECT_EQ(app->getServerUrl(), "http://127.0.0.1:9/ksclient/ksserver.php");
    EXPECT_NE(app->getConnector(), nullptr);
    EXPECT_EQ(app->getLocalManifest(), nullptr);
    EXPECT_EQ(app->getLocalManifestSize(), 0u);
    EXPECT_EQ(app->getLogo(), nullptr);
    EXPECT_EQ(storedCredentials(), "/");
    EXPECT_EQ(app->getCurrentState()->getName(), "Login");
}

TEST_F(LauncherConfigurationTest, AMissingOrBrokenConfigurationFailsWithoutConnector) {
    EXPECT_TRUE(refused(folder / "missing.xml"));
    EXPECT_TRUE(std::filesystem::is_directory(configurationFolder())) << "created all the same";
    EXPECT_NE(app->findState("WaitAdminUpdate"), nullptr) << "states come first";

    const Testing::LogCapture log;
    EXPECT_TRUE(refused(file("<launcher>\n<URL>http://127.0.0.1:9</URL>\n<root>\n</launcher>")));
    EXPECT_NE(log.text().find(" in row "), std::string::npos) << log.text();
    EXPECT_TRUE(refused(file("<Launcher><URL>http://127.0.0.1:9</URL></Launcher>")));
    EXPECT_TRUE(refused(writeConfiguration("<manifestFile>none.xml</manifestFile>")));
    EXPECT_TRUE(refused(writeConfiguration("<URL></URL>")));
    // An address the connector cannot use fails instead of throwing.
    EXPECT_TRUE(refused(writeConfiguration("<URL>no-scheme-here</URL>")));
    EXPECT_NE(log.text().find("Invalid URL. no-scheme-here/ksclient/ksserver.php"),
              std::string::npos)
        << log.text();
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
