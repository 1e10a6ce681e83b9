// The Login screen end to end against the reference server: what a refused, an accepted and a
// remembered login send, show and leave in the credentials file, by click and by Return.
#include "states/LoginState.h"

#include "platform/headless/HeadlessWindows.h"
#include "tests/support/headless/LaunchTest.h"

#include <gtest/gtest.h>

namespace Headless = Kestrel::Platform::Headless;

namespace {

class LoginStateTest : public Testing::LaunchTest {
protected:
    // The credentials file as the launcher writes it.
    static std::string savedFile(const std::string &password) {
        return "<?xml version=\"1.0\" ?>\n<userID>" + PlayerName + "</userID>\n" + "<password>" +
               password + "</password>" + "\n";
    }
};

TEST_F(LoginStateTest, ARefusedOrFailedLoginSaysWhyInABoxTitledLikeTheWindowAndStays) {
    start({{"text", "Brightwell Test Launcher"}});
    EXPECT_EQ(window->text, "Brightwell Test Launcher") << "the root node lays out the window";
    fillLogin("not the password", true);
    ASSERT_TRUE(Headless::click(loginButton()));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Login failed.\nLogin or Password incorrect");
    EXPECT_EQ(boxes[0].caption, "Brightwell Test Launcher");
    EXPECT_EQ(boxes[0].kind, Kestrel::Platform::MessageBoxKind::OkExclamation);
    EXPECT_EQ(current(), "Login");
    EXPECT_TRUE(Headless::isVisible(loginButton())) << "the player may try again";

    // Return in the password field is one more attempt, not two: the dialog routine presses the
    // OK button for the key's press, and its release must not log in again.
    ASSERT_TRUE(Headless::pressReturn(passwordField()));
    ASSERT_TRUE(Headless::releaseReturn());
    EXPECT_EQ(boxes.size(), 2u);

    // A server failure is the reason shown.
    configure({}, "auth", "OK,only-one-value");
    fillLogin("password", true);
    ASSERT_TRUE(Headless::click(loginButton()));
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].text, "Login failed.\nInvalid Authentication response \nOK,only-one-value");
    EXPECT_EQ(current(), "Login");
    EXPECT_EQ(credentialsFile(), "<missing>") << "nothing is remembered of a failed login";
}

TEST_F(LoginStateTest, ARememberedLoginSavesTheDigestAndGoesOnToTheVersionCheck) {
    start();
    fillLogin("password", true);
    ASSERT_TRUE(Headless::click(loginButton()));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(current(), "CheckVersion");
    EXPECT_EQ(credentialsFile(), savedFile(PlayerDigest));
    EXPECT_EQ(sentCredentials(), PlayerName + "/" + PlayerDigest);
    EXPECT_FALSE(Headless::isVisible(usernameField())) << "the Login screen is gone";

    // Return reaching the main window later presses the hidden login button: no second login.
    app->changeState("StartGame");
    ASSERT_TRUE(Headless::pressReturn(window));
    EXPECT_EQ(current(), "StartGame");
}

TEST_F(LoginStateTest, AnUnrememberedLoginKeepsTheNameOnlyButSendsTheDigestLater) {
    // Without an OK button, Return in a field is what logs in.
    start({{"okButton", "false"}});
    fillLogin("password", false);
    ASSERT_TRUE(Headless::pressReturn(usernameField()));
    ASSERT_TRUE(Headless::releaseReturn());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(current(), "CheckVersion");
    EXPECT_EQ(credentialsFile(), savedFile(""));
    EXPECT_EQ(sentCredentials(), PlayerName + "/" + PlayerDigest)
        << "the version check and downloads still send the digest";

    start();
    EXPECT_EQ(usernameField()->text + "/" + passwordField()->text, PlayerName + "/")
        << "the next start shows the name alone";
    EXPECT_EQ(rememberBox()->check, Kestrel::Platform::CheckUnchecked);
}

TEST_F(LoginStateTest, WithoutTheVersionCheckALoginStartsTheGameAtOnce) {
    start({}, "-no-check");
    fillLogin("password", false);
    ASSERT_TRUE(Headless::click(loginButton()));
    EXPECT_EQ(current(), "StartGame");
    EXPECT_EQ(visibleTexts(), std::vector<std::string>{StartMessage});
    EXPECT_EQ(gameRecord(), PlayerCommandLine);
}

TEST_F(LoginStateTest, ARememberedDigestIsSentAsItIsAndATypedPasswordReplacesIt) {
    folder.write("documents/Brightwell/configuration/credentials.xml", savedFile(PlayerDigest));
    start();
    EXPECT_EQ(usernameField()->text, PlayerName);
    EXPECT_EQ(passwordField()->text, PlayerDigest);
    EXPECT_EQ(rememberBox()->check, Kestrel::Platform::CheckChecked);
    // The server accepts only the digest itself, so a second digest would be refused.
    ASSERT_TRUE(Headless::click(loginButton()));
    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes[0].text);
    EXPECT_EQ(current(), "CheckVersion");

    // Started again over a wrong remembered digest, the player types the password and unticks.
    folder.write("documents/Brightwell/configuration/credentials.xml",
                 savedFile("00000000000000000000000000000000"));
    start();
    fillLogin("password", false);
    ASSERT_TRUE(Headless::click(loginButton()));
    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes[0].text);
    EXPECT_EQ(current(), "CheckVersion");
    EXPECT_EQ(credentialsFile(), savedFile("")) << "unticked: the old digest is forgotten";
}

} // namespace
