// The launcher's command line: credentials, extra game arguments and the update switches.
#pragma once

#include <string>
#include <vector>

namespace Kestrel {

class LauncherApp;

class CommandLine {
public:
    // Splits text at every single blank; two adjacent blanks give an empty token and quotes do
    // not group. The empty text gives one empty token.
    static std::vector<std::string> split(const std::string &text);
    // Reads the switches "-u", "-p", "-c" (with its quote rule), "-uac", "-f"/"-full" and
    // "-n"/"-no-check", matched exactly; any other token is ignored.
    static CommandLine parse(const std::string &text);

    // Applies text to a configured application: the credentials when both are given, the extra
    // game arguments, a start-up login for "-uac" (a refused or failed login shows "Login failed."
    // and start-up goes on), then the check flags. The empty text changes nothing. False exactly
    // when the start-up login was refused or failed.
    static bool apply(const std::string &text, LauncherApp &app);

    std::string user;
    std::string password;
    std::string extraArguments;
    bool uac = false;
    bool full = false;
    bool noCheck = false;

private:
    bool applyTo(LauncherApp &app) const;
};

} // namespace Kestrel
