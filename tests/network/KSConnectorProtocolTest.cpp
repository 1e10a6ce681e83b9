// Login, version check and custom messages against the reference server over real HTTP.
#include "tests/network/ReferenceServerFixture.h"
#include "tests/support/FailureOf.h"

using namespace KSNetwork;
using Testing::failureOf;

namespace {

using LoginTest = Testing::ReferenceServerFixture;

// Property lines follow an accepted login: the first of a key wins, a line without colon is
// its own value.
TEST_F(LoginTest, AcceptedLoginGivesValuesAndProperties) {
    configure({"k:v", "cr:x\r", "k:w", "motd:a:b", "flag"});
    AuthStatus status;
    EXPECT_TRUE(connector->authenticate(PlayerName, PlayerDigest, &status));
    EXPECT_TRUE(status.ok);
    EXPECT_EQ(status.value1, "player");
    EXPECT_EQ(status.value2, "standard");
    EXPECT_EQ(status.properties,
              (std::map<std::string, std::string>{
                  {"k", "v"}, {"motd", "a:b"}, {"flag", "flag"}, {"cr", "x\r"}}));
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
    } cases[] = {{"OK,a", "Invalid Authentication response \nOK,a", false},
                 {"ok,a,b", "Unexpected server response :: ok,a,b", false},
                 {" \r\n\t ", "Unexpected server response :: ", false},
                 {"\r\n  OK,a,b\r\nk:v \n\n", "", true}};
    for (const auto &test : cases) {
        SCOPED_TRACE(test.reply);
        configure({}, "auth", test.reply);
        AuthStatus status;
        bool result = false;
        EXPECT_EQ(failureOf([&] { result = connector->authenticate("u", "p", &status); }),
                  test.failure);
        EXPECT_EQ(result, test.ok);
        EXPECT_EQ(status.ok, test.ok);
        EXPECT_EQ(status.value2, test.ok ? "b\r" : "");
        EXPECT_EQ(status.properties.size(), test.ok ? 1u : 0u);
    }
}

using VersionTest = Testing::ReferenceServerFixture;

TEST_F(VersionTest, ServerNamesWhatIsOutdated) {
    const struct {
        std::string launcherVersion;
        std::string manifestVersion;
        bool launcherOk;
        std::string launcherValue;
        bool manifestOk;
        std::string manifestValue;
    } cases[] = {{"l20101210", "7", true, "", true, ""},
                 {"l20090101", "7", false, "https://www.example.com/new-launcher", false, ""},
                 {"l20101210", "rX", true, "", false, "manifest-7.xml"}};
    for (const auto &test : cases) {
        SCOPED_TRACE(test.launcherVersion + " " + test.manifestVersion);
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
        {"KO,2", "Invalid CheckVersion response \nKO,2"},
    };
    for (const auto &test : cases) {
        configure({}, "ver2", test.first);
        ServerStatus launcher, manifest;
        launcher.set(true, "kept", "kept");
        EXPECT_EQ(failureOf([&] { connector->checkVersion("l", "m", &launcher, &manifest); }),
                  test.second);
        EXPECT_EQ(launcher.value1, "kept");
        EXPECT_FALSE(manifest.ok);
    }
}

using CustomMessageTest = Testing::ReferenceServerFixture;

// Custom values are percent-encoded and can never replace the stored credentials; the server
// never echoes the password digest.
TEST_F(CustomMessageTest, ValuesArriveEncodedAndStoredValuesAsHeld) {
    CustomMessage message;
    message.action = "echo";
    message.sendUid = message.sendPw = true;
    message.parameters = {{"value", "a b&c"}, {"uid", "intruder"}, {"path", "x/y?z"}};
    std::string reply;
    ASSERT_TRUE(connector->sendCustomMessage(message, reply));
    EXPECT_EQ(reply, "action=echo&path=x%2fy%3fz&pw=***&uid=player&value=a%20b%26c");
}

} // namespace
