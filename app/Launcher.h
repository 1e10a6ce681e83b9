// The launcher process from start to end: main window, engine, configuration, command line and
// main loop, over whichever window layer the program is linked with.
#pragma once

#include "platform/Window.h"

#include <functional>
#include <string>

namespace Kestrel {

class LaunchObserver;

class Launcher {
public:
    // Read at start-up from the current folder, which the engine makes the executable's folder.
    static constexpr const char *ConfigurationPath = "gameStates/launcher.xml";
    // The log a player can send to support; replaced at each start but continued by the
    // elevated copy ("-uac").
    static constexpr const char *LogPath = "configuration:launcher.log";

    // Process exit codes.
    static constexpr int Finished = 0;
    static constexpr int StartupFailed = 1;
    static constexpr int StartupLoginFailed = 2;
    static constexpr int GaveUp = 3;
    // An update began and was not committed: a file failed, no usable manifest came, the player
    // chose Cancel, or the launcher was closed meanwhile.
    static constexpr int UpdateIncomplete = 4;

    struct Options {
        // How the main window is shown (the show command the system gave the process).
        int showCommand = Platform::ShowNormal;
        // For runs without a user: end once the same error was shown this often in a row (0:
        // retry for ever).
        unsigned repeatedErrorLimit = 0;
        // Asked once per pass; true ends the loop as closing the window does.
        std::function<bool()> stopRequested;
        // Told what the launch does (not owned); none when null.
        LaunchObserver *observer = nullptr;
    };

    // What an exit code of run means, in a few words ("finished", "update incomplete").
    static const char *exitCodeMeaning(int code);

    // Runs the launcher with the narrow command line; returns the process exit code: 1 when the
    // window or the configuration cannot be set up (a box says which), StartupLoginFailed when the
    // "-uac" start-up login was refused or failed (the elevated copy has no player to log in at the
    // Login screen, and the copy waiting for it reads the code), GaveUp for the repeated error
    // limit, else UpdateIncomplete or 0.
    static int run(const std::string &commandLine, const Options &options);
};

} // namespace Kestrel
