// Login, version check and custom messages against the reference server over real HTTP.
#include "tests/network/ReferenceServerFixture.h"

using KSNetwork::AuthStatus;
using KSNetwork::CustomMessage;
using KSNetwork::ServerStatus;
using Testing::ReferenceServerFixture;
using Testing::ServerConfiguration;

namespace {

using LoginTest = ReferenceServerFixture;

TEST_F(LoginTest, AcceptedLoginGivesBothValuesAndStoresNothing) {
    AuthStatus status;
    EXPECT_TRUE(connector->authenticate(Player.name, Player.passwordDigest, &status));
    EXPECT_TRUE(status.ok);
    EXPECT_EQ(status.value1, "player");
    EXPECT_EQ(status.value2, "standard");
    EXPECT_TRUE(status.properties.empty());
    std::string user = "x", password = "y";
    connector->getCredentials(user, password);
    EXPECT_EQ(user, "");
    EXPECT_EQ(password, "");
}

TEST_F(LoginTest, FirstPropertyOfAKeyWinsAndLinesWithoutColonAreTheirOwnValue) {
    ServerConfiguration configuration = defaultConfiguration();
    configuration.users.front().properties = {"k:v", "cr:x\r", "k:w", "motd:a:b", "flag"};
    server.configure(configuration);
    AuthStatus status;
    ASSERT_TRUE(connector->authenticate(Player.name, Player.passwordDigest, &status));
    const std::map<std::string, std::string> expected{
        {"k", "v"}, {"motd", "a:b"}, {"flag", "flag"}, {"cr", "x\r"}};
    EXPECT_EQ(status.properties, expected);
}

TEST_F(LoginTest, RefusedLoginClearsTheValues) {
    AuthStatus status;
    status.set(true, "old", "values");
    EXPECT_FALSE(connector->authenticate(Player.name, "0123456789abcdef0123456789abcdef", &status));
    EXPECT_FALSE(status.ok);
    EXPECT_EQ(status.value1, "");
    EXPECT_EQ(status.value2, "");
}

TEST_F(LoginTest, UnknownUserIsRefused) {
    AuthStatus status;
    EXPECT_FALSE(connector->authenticate("nobody", Player.passwordDigest, &status));
}

struct LoginReplyCase {
    std::string name;
    std::string reply;
    std::string failure;
    bool ok;
    std::string value2;
    std::size_t properties;
};

void PrintTo(const LoginReplyCase &value, std::ostream *out) { *out << value.name; }

class LoginReplyTest : public ReferenceServerFixture,
                       public ::testing::WithParamInterface<LoginReplyCase> {};

TEST_P(LoginReplyTest, ReadsTheTrimmedReply) {
    ServerConfiguration configuration = defaultConfiguration();
    configuration.replies["auth"] = GetParam().reply;
    server.configure(configuration);
    AuthStatus status;
    bool result = false;
    EXPECT_EQ(failureOf([&] { result = connector->authenticate("u", "p", &status); }),
              GetParam().failure);
    EXPECT_EQ(result, GetParam().ok);
    EXPECT_EQ(status.ok, GetParam().ok);
    EXPECT_EQ(status.value2, GetParam().value2);
    EXPECT_EQ(status.properties.size(), GetParam().properties);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, LoginReplyTest,
    ::testing::Values(
        LoginReplyCase{"TwoFields", "OK,a", "Invalid Authentication response \nOK,a", false, "", 0},
        LoginReplyCase{"FourFields", "OK,a,b,c", "Invalid Authentication response \nOK,a,b,c",
                       false, "", 0},
        LoginReplyCase{"FailedWithFieldsAndLines", "FAILED,whatever\nk:v", "", false, "", 0},
        LoginReplyCase{"UnknownWord", "DENIED", "Unexpected server response :: DENIED", false, "",
                       0},
        LoginReplyCase{"LowerCaseOk", "ok,a,b", "Unexpected server response :: ok,a,b", false, "",
                       0},
        LoginReplyCase{"AllBlank", " \r\n\t ", "Unexpected server response :: ", false, "", 0},
        LoginReplyCase{"Empty", "", "Unexpected server response :: ", false, "", 0},
        LoginReplyCase{"TrimmedAround", "\r\n  OK,a,b\r\nk:v \n\n", "", true, "b\r", 1},
        LoginReplyCase{"CrLfKeptInsideLastField", "OK,a,b\r\nk:v", "", true, "b\r", 1}),
    [](const ::testing::TestParamInfo<LoginReplyCase> &info) { return info.param.name; });

using VersionTest = ReferenceServerFixture;

TEST_F(VersionTest, CurrentLauncherAndManifestAreBothOk) {
    ServerStatus launcher, manifest;
    launcher.set(false, "x", "y");
    EXPECT_TRUE(connector->checkVersion("l20101210", "7", &launcher, &manifest));
    EXPECT_TRUE(launcher.ok);
    EXPECT_EQ(launcher.value2, "");
    EXPECT_TRUE(manifest.ok);
    EXPECT_EQ(manifest.value2, "");
}

TEST_F(VersionTest, OldLauncherGetsTheDownloadPage) {
    ServerStatus launcher, manifest;
    manifest.set(true, "x", "y");
    EXPECT_FALSE(connector->checkVersion("l20090101", "7", &launcher, &manifest));
    EXPECT_FALSE(launcher.ok);
    EXPECT_EQ(launcher.value1, "");
    EXPECT_EQ(launcher.value2, "https://www.example.com/new-launcher");
    EXPECT_FALSE(manifest.ok);
    EXPECT_EQ(manifest.value2, "");
}

TEST_F(VersionTest, OldManifestGetsTheManifestName) {
    ServerStatus launcher, manifest;
    EXPECT_FALSE(connector->checkVersion("l20101210", "rX", &launcher, &manifest));
    EXPECT_TRUE(launcher.ok);
    EXPECT_FALSE(manifest.ok);
    EXPECT_EQ(manifest.value2, "manifest-7.xml");
}

struct VersionReplyCase {
    std::string name;
    std::string reply;
    std::string failure;
};

void PrintTo(const VersionReplyCase &value, std::ostream *out) { *out << value.name; }

class VersionReplyTest : public ReferenceServerFixture,
                         public ::testing::WithParamInterface<VersionReplyCase> {};

TEST_P(VersionReplyTest, FailsWithoutTouchingTheStatuses) {
    ServerConfiguration configuration = defaultConfiguration();
    configuration.replies["ver2"] = GetParam().reply;
    server.configure(configuration);
    ServerStatus launcher, manifest;
    launcher.set(true, "kept", "kept");
    EXPECT_EQ(failureOf([&] { connector->checkVersion("l", "m", &launcher, &manifest); }),
              GetParam().failure);
    EXPECT_EQ(launcher.value1, "kept");
    EXPECT_FALSE(manifest.ok);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, VersionReplyTest,
    ::testing::Values(
        VersionReplyCase{"UnknownCode", "KO,3,x", "Unexpected server response :: KO,3,x"},
        VersionReplyCase{"NonNumericCode", "KO,one,x", "Unexpected server response :: KO,one,x"},
        VersionReplyCase{"TwoFields", "KO,2", "Invalid CheckVersion response \nKO,2"},
        VersionReplyCase{"OneField", "  KO\r\n", "Invalid CheckVersion response \nKO"},
        VersionReplyCase{"UnknownWord", "MAYBE", "Unexpected server response :: MAYBE"},
        VersionReplyCase{"AllBlank", "\t \r\n", "Unexpected server response :: "}),
    [](const ::testing::TestParamInfo<VersionReplyCase> &info) { return info.param.name; });

TEST_F(VersionTest, TrimmedKoReplyKeepsEverythingAfterTheThirdComma) {
    ServerConfiguration configuration = defaultConfiguration();
    configuration.replies["ver2"] = "\r\n KO,2,manifest.xml,extra \r\n";
    server.configure(configuration);
    ServerStatus launcher, manifest;
    EXPECT_FALSE(connector->checkVersion("l", "m", &launcher, &manifest));
    EXPECT_EQ(manifest.value2, "manifest.xml");
}

using CustomMessageTest = ReferenceServerFixture;

TEST_F(CustomMessageTest, ParameterValuesArriveEncodedAndStoredValuesAsHeld) {
    ServerConfiguration configuration = defaultConfiguration();
    configuration.actions["echo"] = "{query}";
    server.configure(configuration);
    connector->setCredentials("player", "digest");
    CustomMessage message;
    message.action = "echo";
    message.sendUid = true;
    message.sendPw = true;
    message.parameters = {{"value", "a b&c"}, {"uid", "intruder"}, {"path", "x/y?z"}};
    std::string reply;
    ASSERT_TRUE(connector->sendCustomMessage(message, reply));
    EXPECT_EQ(reply, "action=echo&path=x%2fy%3fz&pw=digest&uid=player&value=a%20b%26c");
}

TEST_F(CustomMessageTest, ReplyIsTrimmed) {
    ServerConfiguration configuration = defaultConfiguration();
    configuration.actions["motd"] = "\r\n Servers are up. \r\n";
    server.configure(configuration);
    CustomMessage message;
    message.action = "motd";
    std::string reply;
    ASSERT_TRUE(connector->sendCustomMessage(message, reply));
    EXPECT_EQ(reply, "Servers are up.");
}

TEST_F(CustomMessageTest, UnknownActionReturnsFalseAndKeepsTheReply) {
    CustomMessage message;
    message.action = "nothing-like-this";
    std::string reply = "kept";
    EXPECT_FALSE(connector->sendCustomMessage(message, reply));
    EXPECT_EQ(reply, "kept");
}

} // namespace
