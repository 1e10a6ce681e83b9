// The headless launcher program: the same start-up, command line and main loop as the Windows
// launcher over the in-memory window layer, for scripts, tests and dedicated game servers
// ("brightwell -uac -u NAME -p DIGEST" updates without a user; a failed start-up login ends it
// with code 2, as it ends every launcher). Message boxes go to the standard error stream and are
// answered; nobody can close a window, so a failure that keeps repeating ends the run with a
// non-zero code. SIGINT and SIGTERM end it as closing the window would.
#include "app/Launcher.h"

#include <csignal>
#include <string>

namespace {

volatile std::sig_atomic_t stopSignal = 0;

extern "C" void requestStop(int) { stopSignal = 1; }

// The arguments joined by single blanks, as Windows hands a command line to the launcher.
std::string commandLineOf(int argc, char **argv) {
    std::string text;
    for (int index = 1; index < argc; ++index)
        text += (index > 1 ? " " : "") + std::string(argv[index]);
    return text;
}

} // namespace

int main(int argc, char **argv) {
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    Kestrel::Launcher::Options options;
    options.repeatedErrorLimit = 5;
    options.stopRequested = [] { return stopSignal != 0; };
    return Kestrel::Launcher::run(commandLineOf(argc, argv), options);
}
