// The launcher's command line: splitting, every switch, the "-c" quote rule, and the effects on
// the application and its states.
#include "app/CommandLine.h"

#include "states/CheckVersionState.h"
#include "states/GroupUpdateState.h"
#include "states/LoginState.h"
#include "states/StartGameState.h"
#include "tests/support/LauncherHarness.h"

#include <gtest/gtest.h>

#include <tuple>

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

// The user, password, extra arguments and the "-uac", full and no-check switches text gives.
using Switches = std::tuple<std::string, std::string, std::string, bool, bool, bool>;
Switches parsed(const std::string &text) {
    const CommandLine line = CommandLine::parse(text);
    return {line.user, line.password, line.extraArguments, line.uac, line.full, line.noCheck};
}

TEST(CommandLineParseTest, ReadsTheSwitches) {
    EXPECT_EQ(parsed("-u name -p 0123abcd"), Switches("name", "0123abcd", "", false, false, false));
    EXPECT_EQ(parsed("-p digest -u name -uac"), Switches("name", "digest", "", true, false, false));
    // A value switch at the end has nothing to take.
    EXPECT_EQ(parsed("-u"), Switches("", "", "", false, false, false));
    // The token after a value switch is its value, even when it looks like a switch.
    EXPECT_EQ(parsed("-u -uac"), Switches("-uac", "", "", false, false, false));
    EXPECT_EQ(parsed("-full -no-check"), Switches("", "", "", false, true, true));
    // Matching is exact and case-sensitive.
    EXPECT_EQ(parsed("-F -N -UAC -U x -fu -u=x"), Switches("", "", "", false, false, false));
    // Two blanks give an empty token: an empty value, or nothing.
    EXPECT_EQ(parsed("-u  name"), Switches("", "", "", false, false, false));
    EXPECT_EQ(parsed("-n  -f"), Switches("", "", "", false, true, true));
    EXPECT_EQ(parsed("-c x\" -f"), Switches("", "", "x\"", false, true, false));
    EXPECT_EQ(parsed("-c \"a b  c\" -n"), Switches("", "", "a b  c", false, false, true));
    // A lone quote does not close itself; the next token does.
    EXPECT_EQ(parsed("-c \" -f\" -n"), Switches("", "", " -f", false, false, true));
    // An unclosed quote swallows every later switch and leaves no value.
    EXPECT_EQ(parsed("-c \"a -u name -p pw -uac -f -n"), Switches("", "", "", false, false, false));
    EXPECT_EQ(parsed("-u name -c \"x -p pw"), Switches("name", "", "", false, false, false));
}

// ---- Effects on a configured application ----

class CommandLineEffectTest : public Testing::LauncherFixture {
protected:
    void SetUp() override { ASSERT_TRUE(load("<URL>http://127.0.0.1:9</URL>")); }

    template <typename State> State &state(const char *name) {
        return dynamic_cast<State &>(*app->findState(name));
    }
};

TEST_F(CommandLineEffectTest, CredentialsApplyOnlyWhenBothAreGiven) {
    for (const char *half : {"-u cmdUser", "-p cmdDigest"}) {
        EXPECT_TRUE(CommandLine::apply(half, *app));
        EXPECT_EQ(storedCredentials(), "/") << half << " alone is ignored";
    }
    EXPECT_TRUE(CommandLine::apply("-u cmdUser -p cmdDigest", *app));
    EXPECT_EQ(storedCredentials(), "cmdUser/cmdDigest");
    EXPECT_EQ(sentCredentials(), "cmdUser/cmdDigest") << "the connector must learn the credentials";
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
    EXPECT_TRUE(state<Kestrel::GroupUpdateState>("GroupUpdate").fullCheck);
    EXPECT_TRUE(state<Kestrel::CheckVersionState>("CheckVersion").fullCheck);
    EXPECT_FALSE(state<Kestrel::LoginState>("Login").skipCheck);
}

} // namespace
