// The operating-system helpers on POSIX systems, shaped like their Windows twins (same buffer
// limits, folders without a trailing separator except the temporary folder).
#include "platform/SystemHelpers.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace Cobalt {

namespace {

// The Windows launcher reads its module path into 128 characters; keep the same limit.
constexpr std::size_t ModulePathRoom = 128;

std::string environment(const char *name) {
    const char *value = std::getenv(name);
    return value ? value : "";
}

bool isAbsolute(const std::string &path) { return !path.empty() && path.front() == '/'; }

// The value of XDG_DOCUMENTS_DIR in user-dirs.dirs (shell syntax, "$HOME/..." or absolute);
// empty when the file or the entry is missing. A later entry overrides an earlier one.
std::string userDirsDocuments(const std::string &home) {
    std::string configHome = environment("XDG_CONFIG_HOME");
    if (!isAbsolute(configHome))
        configHome = home + "/.config";
    std::ifstream file(configHome + "/user-dirs.dirs");
    const std::string key = "XDG_DOCUMENTS_DIR=";
    std::string found;
    std::string line;
    while (std::getline(file, line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0)
            continue;
        std::string value = line.substr(start + key.size());
        while (!value.empty() && (value.back() == '\r' || value.back() == ' '))
            value.pop_back();
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0)
            value = home + value.substr(5);
        if (isAbsolute(value))
            found = value;
    }
    return found;
}

// Creates folder and its parents when missing; empty when it still is not a folder.
std::string createdFolder(const std::string &folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error) ? folder : std::string();
}

std::vector<std::string> splitOnBlanks(const char *text) {
    std::vector<std::string> words;
    const std::string all = text ? text : "";
    std::size_t start = all.find_first_not_of(" \t");
    while (start != std::string::npos) {
        const std::size_t end = all.find_first_of(" \t", start);
        words.push_back(all.substr(start, end - start));
        start = all.find_first_not_of(" \t", end);
    }
    return words;
}

// Starts arguments[0] (searched on PATH) in a session of its own and does not wait for it; a
// detached thread reaps it so that no zombie stays behind. Failures are not reported.
void spawnDetached(const std::vector<std::string> &arguments) {
    if (arguments.empty() || arguments.front().empty())
        return;
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);

    posix_spawnattr_t attributes;
    if (posix_spawnattr_init(&attributes) != 0)
        return;
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t child = 0;
    const int failed = posix_spawnp(&child, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (failed)
        return;
    try {
        std::thread([child] { waitpid(child, nullptr, 0); }).detach();
    } catch (const std::system_error &) {
        // Without a thread the child is reaped by init once this process ends.
    }
}

} // namespace

bool setCurrentDirectory(const std::string &folder) { return chdir(folder.c_str()) == 0; }

std::string executablePath() {
    // The link is read whole: a cut path would name a wrong home folder.
    std::vector<char> buffer(ModulePathRoom);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length <= 0)
            return {};
        if (static_cast<std::size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        buffer.resize(buffer.size() * 2);
    }
}

std::string tempFolder() {
    std::string folder = environment("TMPDIR");
    if (folder.empty())
        folder = "/tmp/";
    if (folder.back() != '/')
        folder += '/';
    return folder;
}

// $XDG_DOCUMENTS_DIR, else the XDG user-dirs entry, else ~/Documents.
std::string documentsFolder() {
    std::string folder = environment("XDG_DOCUMENTS_DIR");
    if (!isAbsolute(folder)) {
        const std::string home = environment("HOME");
        if (home.empty())
            return {};
        folder = userDirsDocuments(home);
        if (folder.empty())
            folder = home + "/Documents";
    }
    return createdFolder(folder);
}

// /var/lib holds the state that programs keep for all users, as the common application-data
// folder does on Windows.
std::string commonAppDataFolder() { return createdFolder("/var/lib"); }

bool openWithShell(const char *target) {
    if (target)
        spawnDetached({"xdg-open", target});
    return true;
}

// A bare program name is looked for in the current folder first, as the Windows shell does, so
// that a game installed beside the launcher starts by its name; otherwise PATH is searched.
bool runWithShell(const char *program, const char *parameters) {
    if (program) {
        std::string file = program;
        if (!file.empty() && file.find('/') == std::string::npos && access(program, X_OK) == 0)
            file = "./" + file;
        std::vector<std::string> arguments{file};
        for (std::string &word : splitOnBlanks(parameters))
            arguments.push_back(std::move(word));
        spawnDetached(arguments);
    }
    return true;
}

bool isUserAdmin() { return geteuid() == 0; }

} // namespace Cobalt
