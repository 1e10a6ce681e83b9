// The launcher's command line: splitting, every switch, the "-c" quote rule, and the effects on
// the application and its states.
#include "app/CommandLine.h"

#include "network/KSConnector.h"
#include "states/CheckVersionState.h"
#include "states/GroupUpdateState.h"
#include "states/LoginState.h"
#include "states/StartGameState.h"
#include "tests/app/LauncherFixture.h"

#include <gtest/gtest.h>

#include <filesystem>

using Kestrel::CommandLine;
using Tokens = std::vector<std::string>;

namespace {

TEST(CommandLineSplitTest, SplitsAtEverySingleBlankWithoutGroupingQuotes) {
    EXPECT_EQ(CommandLine::split(""), Tokens{""});
    EXPECT_EQ(CommandLine::split("-u name"), (Tokens{"-u", "name"}));
    EXPECT_EQ(CommandLine::split("-u  name"), (Tokens{"-u", "", "name"}));
    EXPECT_EQ(CommandLine::split(" -f "), (Tokens{"", "-f", ""}));
    EXPECT_EQ(CommandLine::split("-c \"a b\""), (Tokens{"-c", "\"a", "b\""}));
    EXPECT_EQ(CommandLine::split("a\tb"), Tokens{"a\tb"}) << "only the blank separates";
}

struct ParseRow {
    const char *text;
    const char *user;
    const char *password;
    const char *extra;
    bool uac;
    bool full;
    bool noCheck;
};

void PrintTo(const ParseRow &row, std::ostream *out) { *out << '"' << row.text << '"'; }

class CommandLineParseTest : public ::testing::TestWithParam<ParseRow> {};

TEST_P(CommandLineParseTest, ReadsTheSwitches) {
    const ParseRow &row = GetParam();
    const CommandLine parsed = CommandLine::parse(row.text);
    EXPECT_EQ(parsed.user, row.user);
    EXPECT_EQ(parsed.password, row.password);
    EXPECT_EQ(parsed.extraArguments, row.extra);
    EXPECT_EQ(parsed.uac, row.uac);
    EXPECT_EQ(parsed.full, row.full);
    EXPECT_EQ(parsed.noCheck, row.noCheck);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CommandLineParseTest,
    ::testing::Values(
        ParseRow{"-u name -p 0123abcd", "name", "0123abcd", "", false, false, false},
        ParseRow{"-p digest -u name -uac", "name", "digest", "", true, false, false},
        // A value switch at the end has nothing to take.
        ParseRow{"-u", "", "", "", false, false, false},
        // The token after a value switch is its value, even when it looks like a switch.
        ParseRow{"-u -uac", "-uac", "", "", false, false, false},
        ParseRow{"-full -no-check", "", "", "", false, true, true},
        // Matching is exact and case-sensitive.
        ParseRow{"-F -N -UAC -U x -fu -u=x", "", "", "", false, false, false},
        // Two blanks give an empty token: an empty value, or nothing.
        ParseRow{"-u  name", "", "", "", false, false, false},
        ParseRow{"-n  -f", "", "", "", false, true, true},
        ParseRow{"-c x\" -f", "", "", "x\"", false, true, false},
        ParseRow{"-c \"a b  c\" -n", "", "", "a b  c", false, false, true},
        // A lone quote does not close itself; the next token does.
        ParseRow{"-c \" -f\" -n", "", "", " -f", false, false, true},
        // An unclosed quote swallows every later switch and leaves no value.
        ParseRow{"-c \"a -u name -p pw -uac -f -n", "", "", "", false, false, false},
        ParseRow{"-u name -c \"x -p pw", "name", "", "", false, false, false}));

// ---- Effects on a configured application ----

class CommandLineEffectTest : public Testing::LauncherFixture {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder / "documents/Brightwell");
        folder.write("documents/Brightwell/credentials.xml",
                     "<userID>fileUser</userID><password>fileDigest</password>");
        ASSERT_TRUE(load("<credentialFile>user:credentials.xml</credentialFile>"
                         "<URL>http://127.0.0.1:9</URL>"));
    }

    template <typename State> State &state(const char *name) {
        auto *found = dynamic_cast<State *>(app->findState(name));
        EXPECT_NE(found, nullptr) << name;
        return *found;
    }

    void expectCredentials(const std::string &user, const std::string &password) {
        std::string storedUser, storedPassword, sentUser, sentPassword;
        app->getCredentials(storedUser, storedPassword);
        app->getConnector()->getCredentials(sentUser, sentPassword);
        EXPECT_EQ(storedUser, user);
        EXPECT_EQ(storedPassword, password);
        EXPECT_EQ(sentUser, user) << "the connector must learn the credentials";
        EXPECT_EQ(sentPassword, password);
    }

    void expectFlags(bool full, bool skipCheck) {
        EXPECT_EQ(state<Kestrel::GroupUpdateState>("GroupUpdate").fullCheck, full);
        EXPECT_EQ(state<Kestrel::CheckVersionState>("CheckVersion").fullCheck, full);
        EXPECT_EQ(state<Kestrel::LoginState>("Login").skipCheck, skipCheck);
    }
};

TEST_F(CommandLineEffectTest, CredentialsApplyOnlyWhenBothAreGiven) {
    EXPECT_TRUE(CommandLine::apply("-u cmdUser", *app));
    std::string user, password;
    app->getCredentials(user, password);
    EXPECT_EQ(user + "/" + password, "fileUser/fileDigest") << "-u without -p is ignored";
    EXPECT_TRUE(CommandLine::apply("-p cmdDigest", *app));
    app->getCredentials(user, password);
    EXPECT_EQ(user + "/" + password, "fileUser/fileDigest") << "-p without -u is ignored";
    EXPECT_TRUE(CommandLine::apply("-u cmdUser -p cmdDigest", *app));
    expectCredentials("cmdUser", "cmdDigest");
}

TEST_F(CommandLineEffectTest, ExtraArgumentsGoToTheStartGameState) {
    CommandLine::apply("-c \"-window -fast\" -u a", *app);
    EXPECT_EQ(state<Kestrel::StartGameState>("StartGame").extraArguments, "-window -fast");
    CommandLine::apply("-c \"unclosed", *app);
    EXPECT_EQ(state<Kestrel::StartGameState>("StartGame").extraArguments, "-window -fast")
        << "an empty value leaves the arguments as they were";
}

TEST_F(CommandLineEffectTest, FullCheckWinsOverSkippingTheCheck) {
    CommandLine::apply("-full -no-check", *app);
    expectFlags(true, false);
}

} // namespace
