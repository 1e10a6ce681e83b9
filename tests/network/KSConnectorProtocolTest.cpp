// Login, version check and custom messages against the reference server over real HTTP.
#include "tests/network/ReferenceServerFixture.h"
#include "tests/support/FailureOf.h"

using namespace KSNetwork;
using Testing::failureOf;
using Testing::ServerConfiguration;

namespace {

using LoginTest = Testing::ReferenceServerFixture;

// Property lines follow an accepted login: the first of a key wins, a line without colon is
// its own value.
TEST_F(LoginTest, AcceptedLoginGivesValuesAndPropertiesAndStoresNothing) {
    ServerConfiguration configuration;
    configuration.playerProperties = {"k:v", "cr:x\r", "k:w", "motd:a:b", "flag"};
    configure(configuration);
    AuthStatus status;
    EXPECT_TRUE(connector->authenticate(PlayerName, PlayerDigest, &status));
    EXPECT_TRUE(status.ok);
    EXPECT_EQ(status.value1, "player");
    EXPECT_EQ(status.value2, "standard");
    const std::map<std::string, std::string> expected{
        {"k", "v"}, {"motd", "a:b"}, {"flag", "flag"}, {"cr", "x\r"}};
    EXPECT_EQ(status.properties, expected);
    std::string user = "x", password = "y";
    connector->getCredentials(user, password);
    EXPECT_EQ(user + password, "");
}

TEST_F(LoginTest, WrongPasswordOrUnknownUserIsRefusedAndClearsTheValues) {
    for (const auto &login : {std::make_pair(PlayerName, std::string(32, 'f')),
                              std::make_pair(std::string("nobody"), PlayerDigest)}) {
        AuthStatus status;
        status.set(true, "old", "values");
        EXPECT_FALSE(connector->authenticate(login.first, login.second, &status)) << login.first;
        EXPECT_FALSE(status.ok);
        EXPECT_EQ(status.value1 + status.value2, "");
    }
}

TEST_F(LoginTest, ReadsTheTrimmedReplyOrFailsWithItsText) {
    const struct {
        std::string reply;
        std::string failure;
        bool ok;
        std::string value2;
        std::size_t properties;
    } cases[] = {{"OK,a", "Invalid Authentication response \nOK,a", false, "", 0},
                 {"OK,a,b,c", "Invalid Authentication response \nOK,a,b,c", false, "", 0},
                 {"FAILED,whatever\nk:v", "", false, "", 0},
                 {"DENIED", "Unexpected server response :: DENIED", false, "", 0},
                 {"ok,a,b", "Unexpected server response :: ok,a,b", false, "", 0},
                 {" \r\n\t ", "Unexpected server response :: ", false, "", 0},
                 {"", "Unexpected server response :: ", false, "", 0},
                 {"\r\n  OK,a,b\r\nk:v \n\n", "", true, "b\r", 1},
                 {"OK,a,b\r\nk:v", "", true, "b\r", 1}};
    for (const auto &test : cases) {
        SCOPED_TRACE(test.reply);
        ServerConfiguration configuration;
        configuration.replies["auth"] = test.reply;
        configure(configuration);
        AuthStatus status;
        bool result = false;
        EXPECT_EQ(failureOf([&] { result = connector->authenticate("u", "p", &status); }),
                  test.failure);
        EXPECT_EQ(result, test.ok);
        EXPECT_EQ(status.ok, test.ok);
        EXPECT_EQ(status.value2, test.value2);
        EXPECT_EQ(status.properties.size(), test.properties);
    }
}

using VersionTest = Testing::ReferenceServerFixture;

TEST_F(VersionTest, ServerNamesWhatIsOutdated) {
    const struct {
        std::string reply; // a fixed reply, or empty for the server's own answer
        std::string launcherVersion;
        std::string manifestVersion;
        bool launcherOk;
        std::string launcherValue;
        bool manifestOk;
        std::string manifestValue;
    } cases[] = {{"", "l20101210", "7", true, "", true, ""},
                 {"", "l20090101", "7", false, "https://www.example.com/new-launcher", false, ""},
                 {"", "l20101210", "rX", true, "", false, "manifest-7.xml"},
                 {"\r\n KO,2,manifest.xml,extra \r\n", "l", "m", true, "", false, "manifest.xml"}};
    for (const auto &test : cases) {
        SCOPED_TRACE(test.launcherVersion + " " + test.manifestVersion + " " + test.reply);
        ServerConfiguration configuration;
        if (!test.reply.empty())
            configuration.replies["ver2"] = test.reply;
        configure(configuration);
        ServerStatus launcher, manifest;
        launcher.set(!test.launcherOk, "x", "y");
        manifest.set(!test.manifestOk, "x", "y");
        EXPECT_EQ(connector->checkVersion(test.launcherVersion, test.manifestVersion, &launcher,
                                          &manifest),
                  test.manifestOk);
        EXPECT_EQ(launcher.ok, test.launcherOk);
        EXPECT_EQ(manifest.ok, test.manifestOk);
        EXPECT_EQ(launcher.value1 + manifest.value1, "");
        EXPECT_EQ(launcher.value2, test.launcherValue);
        EXPECT_EQ(manifest.value2, test.manifestValue);
    }
}

TEST_F(VersionTest, MalformedReplyFailsWithoutTouchingTheStatuses) {
    const std::pair<std::string, std::string> cases[] = {
        {"KO,3,x", "Unexpected server response :: KO,3,x"},
        {"KO,one,x", "Unexpected server response :: KO,one,x"},
        {"KO,2", "Invalid CheckVersion response \nKO,2"},
        {"  KO\r\n", "Invalid CheckVersion response \nKO"},
        {"MAYBE", "Unexpected server response :: MAYBE"},
        {"\t \r\n", "Unexpected server response :: "}};
    for (const auto &test : cases) {
        ServerConfiguration configuration;
        configuration.replies["ver2"] = test.first;
        configure(configuration);
        ServerStatus launcher, manifest;
        launcher.set(true, "kept", "kept");
        EXPECT_EQ(failureOf([&] { connector->checkVersion("l", "m", &launcher, &manifest); }),
                  test.second);
        EXPECT_EQ(launcher.value1, "kept");
        EXPECT_FALSE(manifest.ok);
    }
}

using CustomMessageTest = Testing::ReferenceServerFixture;

TEST_F(CustomMessageTest, ParameterValuesArriveEncodedAndStoredValuesAsHeld) {
    connector->setCredentials("player", "digest");
    CustomMessage message;
    message.action = "echo";
    message.sendUid = message.sendPw = true;
    message.parameters = {{"value", "a b&c"}, {"uid", "intruder"}, {"path", "x/y?z"}};
    std::string reply;
    ASSERT_TRUE(connector->sendCustomMessage(message, reply));
    EXPECT_EQ(reply, "action=echo&path=x%2fy%3fz&pw=digest&uid=player&value=a%20b%26c");
}

TEST_F(CustomMessageTest, ReplyIsTrimmedAndAnUnknownActionKeepsIt) {
    ServerConfiguration configuration;
    configuration.actions["motd"] = "\r\n Servers are up. \r\n";
    configure(configuration);
    CustomMessage message;
    message.action = "motd";
    std::string reply;
    ASSERT_TRUE(connector->sendCustomMessage(message, reply));
    EXPECT_EQ(reply, "Servers are up.");
    message.action = "nothing-like-this";
    EXPECT_FALSE(connector->sendCustomMessage(message, reply));
    EXPECT_EQ(reply, "Servers are up.");
}

} // namespace
