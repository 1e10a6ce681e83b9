// The headless launcher program: the same start-up, command line and main loop as the Windows
// launcher over the in-memory window layer, for scripts, tests and dedicated game servers
// ("brightwell -uac -u NAME -p DIGEST" updates without a user; a failed start-up login ends it
// with code 2, as it ends every launcher). Message boxes go to the standard error stream and are
// answered; nobody can close a window, so a failure that keeps repeating ends the run with a
// non-zero code. SIGINT and SIGTERM end it as closing the window would. What it does goes to the
// standard error stream as it happens, with a summary at the end ("--quiet": errors and summary).
#include "app/ConsoleReporter.h"
#include "app/Launcher.h"

#include <csignal>
#include <cstdio>
#include <string>

namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void requestStop(int) { stopSignal = 1; }

// The arguments joined by single blanks, as Windows hands a command line to the launcher, all but
// the quiet switch, which is the program's own; quiet tells whether it was given.
std::string commandLineOf(int argc, char **argv, bool &quiet) {
    std::string text;
    bool first = true;
    for (int index = 1; index < argc; ++index) {
        const std::string argument = argv[index];
        if (argument == Kestrel::ConsoleReporter::QuietSwitch) {
            quiet = true;
            continue;
        }
        text += (first ? "" : " ") + argument;
        first = false;
    }
    return text;
}

} // namespace

int main(int argc, char **argv) {
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    Kestrel::Launcher::Options options;
    options.repeatedErrorLimit = 5;
    options.stopRequested = [] { return stopSignal != 0; };
    bool quiet = false;
    const std::string commandLine = commandLineOf(argc, argv, quiet);
    Kestrel::ConsoleReporter reporter(stderr, quiet);
    options.observer = &reporter;
    const int exitCode = Kestrel::Launcher::run(commandLine, options);
    reporter.summarize(exitCode);
    return exitCode;
}
