// The process entry of Brightwell.exe: the launcher with the command line and show command that
// Windows gives it. An update run ("-uac") started from a console also reports to it as the
// headless launcher does; the window is the same either way.
#include "app/CommandLine.h"
#include "app/ConsoleReporter.h"
#include "app/Launcher.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

namespace {

// A standard error stream that leads somewhere: one redirected by the caller, else the console
// of the process that started this one (a window program gets none of its own). False when
// there is neither, as for the copy that the launcher itself relaunches elevated.
bool standardErrorAvailable() {
    const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    if (handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN)
        return true;
    return AttachConsole(ATTACH_PARENT_PROCESS) && std::freopen("CONOUT$", "w", stderr);
}

std::unique_ptr<Kestrel::ConsoleReporter> consoleReporter(const std::string &commandLine) {
    if (!Kestrel::CommandLine::parse(commandLine).uac || !standardErrorAvailable())
        return nullptr;
    const auto tokens = Kestrel::CommandLine::split(commandLine);
    const bool quiet = std::find(tokens.begin(), tokens.end(),
                                 Kestrel::ConsoleReporter::QuietSwitch) != tokens.end();
    return std::make_unique<Kestrel::ConsoleReporter>(stderr, quiet);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int showCommand) {
    const std::string text = commandLine ? commandLine : "";
    const auto reporter = consoleReporter(text);
    Kestrel::Launcher::Options options;
    options.showCommand = showCommand;
    options.observer = reporter.get();
    const int exitCode = Kestrel::Launcher::run(text, options);
    if (reporter)
        reporter->summarize(exitCode);
    return exitCode;
}
