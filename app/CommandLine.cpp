// Splitting the launcher's command line and applying its switches to the application and states.
#include "app/CommandLine.h"

#include "app/LauncherApp.h"
#include "network/AuthStatus.h"
#include "network/KSConnector.h"
#include "platform/MessageBox.h"
#include "states/CheckVersionState.h"
#include "states/GroupUpdateState.h"
#include "states/LoginState.h"
#include "states/StartGameState.h"

#include <exception>
#include <stdexcept>

namespace Kestrel {

namespace {

// A quoted value is complete once it ends in a quote that is not also its opening one.
bool closesQuote(const std::string &value) { return value.size() > 1 && value.back() == '"'; }

// Joins the tokens of a value that opens with a double quote until one closes it, then strips
// the two quotes; an unclosed value swallows every remaining token and becomes empty.
std::string quotedValue(const std::vector<std::string> &tokens, std::size_t &next) {
    std::string value = tokens[next++];
    if (value.empty() || value.front() != '"')
        return value;
    while (next < tokens.size() && !closesQuote(value))
        value += " " + tokens[next++];
    return closesQuote(value) ? value.substr(1, value.size() - 2) : std::string();
}

// The state called name when it is of class State, else null.
template <typename State> State *stateOf(const LauncherApp &app, const char *name) {
    return dynamic_cast<State *>(app.findState(name));
}

// Logs in with the stored credentials at start-up; the text of a refusal or failure, else empty.
std::string startupLogin(LauncherApp &app) {
    try {
        std::string user;
        std::string password;
        app.getCredentials(user, password);
        app.setCredentials(user, password);
        KSNetwork::AuthStatus status;
        KSNetwork::KSConnector *connector = app.getConnector();
        if (!connector)
            return "No server address is configured";
        if (!connector->authenticate(user, password, &status))
            return "Login or Password incorrect";
        if (status.ok) {
            app.changeState("CheckVersion");
            app.setElevatedInstance(true);
        }
        return {};
    } catch (const std::exception &error) {
        return error.what();
    }
}

} // namespace

std::vector<std::string> CommandLine::split(const std::string &text) {
    std::vector<std::string> tokens;
    std::size_t start = 0;
    for (std::size_t blank = text.find(' '); blank != std::string::npos;
         blank = text.find(' ', start)) {
        tokens.push_back(text.substr(start, blank - start));
        start = blank + 1;
    }
    tokens.push_back(text.substr(start));
    return tokens;
}

CommandLine CommandLine::parse(const std::string &text) {
    CommandLine result;
    const std::vector<std::string> tokens = split(text);
    std::size_t next = 0;
    while (next < tokens.size()) {
        const std::string &token = tokens[next++];
        const bool hasValue = next < tokens.size();
        if (token == "-u" && hasValue)
            result.user = tokens[next++];
        else if (token == "-p" && hasValue)
            result.password = tokens[next++];
        else if (token == "-c" && hasValue)
            result.extraArguments = quotedValue(tokens, next);
        else if (token == "-uac")
            result.uac = true;
        else if (token == "-f" || token == "-full")
            result.full = true;
        else if (token == "-n" || token == "-no-check")
            result.noCheck = true;
    }
    return result;
}

bool CommandLine::apply(const std::string &text, LauncherApp &app) {
    return text.empty() || parse(text).applyTo(app);
}

bool CommandLine::applyTo(LauncherApp &app) const {
    if (!user.empty() && !password.empty())
        app.setCredentials(user, password);
    if (!extraArguments.empty())
        if (auto *startGame = stateOf<StartGameState>(app, "StartGame"))
            startGame->extraArguments = extraArguments;
    const std::string loginFailure = uac ? startupLogin(app) : std::string();
    if (!loginFailure.empty())
        Platform::showMessageBox("Login failed.\n" + loginFailure, Platform::LauncherCaption,
                                 Platform::MessageBoxKind::OkExclamation);
    if (full) {
        if (auto *groupUpdate = stateOf<GroupUpdateState>(app, "GroupUpdate"))
            groupUpdate->fullCheck = true;
        if (auto *checkVersion = stateOf<CheckVersionState>(app, "CheckVersion"))
            checkVersion->fullCheck = true;
    } else if (noCheck) {
        if (auto *login = stateOf<LoginState>(app, "Login"))
            login->skipCheck = true;
    }
    return loginFailure.empty();
}

} // namespace Kestrel
