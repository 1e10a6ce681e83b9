// The process entry of Brightwell.exe: the launcher with the command line and show command that
// Windows gives it.
#include "app/Launcher.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int showCommand) {
    Kestrel::Launcher::Options options;
    options.showCommand = showCommand;
    return Kestrel::Launcher::run(commandLine ? commandLine : "", options);
}
