// The elevated copy on POSIX systems: pkexec asks for the administrator's password and runs the
// copy; without pkexec there is nobody to ask, which counts as a refused prompt. The copy is a
// child process, waited for with waitpid.
#include "platform/NativeElevation.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace Kestrel::Platform {

const char *const LauncherProgramFile = "brightwell";

namespace {

// The first executable called name in a folder of PATH; empty when there is none.
std::string findOnPath(const std::string &name) {
    const char *path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

std::vector<std::string> words(const std::string &text) {
    std::istringstream stream(text);
    std::vector<std::string> found;
    for (std::string word; stream >> word;)
        found.push_back(word);
    return found;
}

// Starts arguments[0] as a child process; 0 or the system's error code.
int spawn(const std::vector<std::string> &arguments, pid_t &child) {
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    return posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ);
}

} // namespace

ElevatedProcess::ElevatedProcess(std::intptr_t native) : native(native) {}

// A copy still running is left to run; once it ends, init reaps it after this process is gone.
ElevatedProcess::~ElevatedProcess() = default;

bool ElevatedProcess::waitForEnd() {
    if (ended)
        return true;
    int status = 0;
    const pid_t result = waitpid(static_cast<pid_t>(native), &status, 0);
    if (result == static_cast<pid_t>(native))
        code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    // No such child any more means it ended and was reaped already.
    ended = result == static_cast<pid_t>(native) || (result < 0 && errno == ECHILD);
    return ended;
}

long ElevatedProcess::processId() const { return static_cast<long>(native); }

ElevationResult startLauncherCopy(const std::string &parameters, WindowHandle, bool prompt) {
    ElevationResult result;
    std::error_code error;
    const std::string program =
        (std::filesystem::current_path(error) / LauncherProgramFile).string();
    if (error || access(program.c_str(), X_OK) != 0) {
        result.error = error ? static_cast<unsigned long>(error.value()) : errno;
        return result;
    }
    std::vector<std::string> arguments{program};
    if (prompt) {
        const std::string helper = findOnPath("pkexec");
        if (helper.empty()) {
            result.error = PromptRefused;
            return result;
        }
        arguments.insert(arguments.begin(), helper);
    }
    for (std::string &word : words(parameters))
        arguments.push_back(std::move(word));
    pid_t child = 0;
    if (const int failed = spawn(arguments, child)) {
        result.error = static_cast<unsigned long>(failed);
        return result;
    }
    result.started = true;
    result.process = std::make_unique<ElevatedProcess>(child);
    return result;
}

} // namespace Kestrel::Platform
