// Runs a command and kills it (SIGKILL to its whole process group) at a chosen point of its file
// activity, seen from outside through inotify: after the Nth file moved into a watched folder,
// after the Nth file finished writing or at its Nth modification, optionally a delay later.
// Exits 0 after the kill, 3 when the command ended before the point, 2 on a usage error.
//
// Usage: kill-watch --at EVENT:N[:SUFFIX] [--delay MS] --folder DIR... -- command [arguments...]
//   EVENT  moved (a file renamed into a folder), written (a file closed after writing),
//          modified (a write to a file)
//   SUFFIX counts only names that end with it (default: every name)
// Folders are watched with their subfolders, also those created while the command runs.
#include <sys/inotify.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <map>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct KillPoint {
    std::uint32_t mask = 0;
    long count = 0;
    std::string suffix;
    long delayMilliseconds = 0;
};

struct Arguments {
    KillPoint point;
    std::vector<std::string> folders;
    std::vector<char *> command;
};

int usage() {
    std::fprintf(stderr, "usage: kill-watch --at moved|written|modified:N[:SUFFIX] [--delay MS] "
                         "--folder DIR... -- command [arguments...]\n");
    return 2;
}

bool parsePoint(const std::string &text, KillPoint &point) {
    const std::size_t first = text.find(':');
    if (first == std::string::npos)
        return false;
    const std::string event = text.substr(0, first);
    const std::size_t second = text.find(':', first + 1);
    point.count = std::atol(text.substr(first + 1, second - first - 1).c_str());
    if (second != std::string::npos)
        point.suffix = text.substr(second + 1);
    if (event == "moved")
        point.mask = IN_MOVED_TO;
    else if (event == "written")
        point.mask = IN_CLOSE_WRITE;
    else if (event == "modified")
        point.mask = IN_MODIFY;
    return point.mask != 0 && point.count > 0;
}

bool parseArguments(int argc, char **argv, Arguments &arguments) {
    int index = 1;
    for (; index < argc; ++index) {
        const std::string option = argv[index];
        if (option == "--")
            break;
        if (index + 1 >= argc)
            return false;
        const std::string value = argv[++index];
        if (option == "--at" && !parsePoint(value, arguments.point))
            return false;
        if (option == "--delay")
            arguments.point.delayMilliseconds = std::atol(value.c_str());
        if (option == "--folder")
            arguments.folders.push_back(value);
    }
    for (++index; index < argc; ++index)
        arguments.command.push_back(argv[index]);
    arguments.command.push_back(nullptr);
    return arguments.point.mask != 0 && !arguments.folders.empty() && arguments.command.size() > 1;
}

bool endsWith(const std::string &text, const std::string &suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Watches folders and their subfolders; new subfolders join as they appear.
class FolderWatch {
public:
    explicit FolderWatch(std::uint32_t mask) : mask(mask | IN_CREATE | IN_MOVED_TO) {
        descriptor = inotify_init1(IN_CLOEXEC);
    }
    ~FolderWatch() {
        if (descriptor >= 0)
            close(descriptor);
    }
    FolderWatch(const FolderWatch &) = delete;
    FolderWatch &operator=(const FolderWatch &) = delete;

    bool add(const std::string &folder) {
        const int watch = inotify_add_watch(descriptor, folder.c_str(), mask | IN_ONLYDIR);
        if (watch < 0)
            return false;
        paths[watch] = folder;
        if (DIR *listing = opendir(folder.c_str())) {
            while (const dirent *entry = readdir(listing))
                if (entry->d_type == DT_DIR && std::strcmp(entry->d_name, ".") != 0 &&
                    std::strcmp(entry->d_name, "..") != 0)
                    add(folder + "/" + entry->d_name);
            closedir(listing);
        }
        return true;
    }

    // Counts the events of point that arrive within timeout; true once count reached it.
    bool countEvents(const KillPoint &point, long &count, int timeoutMilliseconds) {
        pollfd waiting{descriptor, POLLIN, 0};
        if (poll(&waiting, 1, timeoutMilliseconds) <= 0)
            return false;
        alignas(inotify_event) char buffer[64 * 1024];
        const ssize_t length = read(descriptor, buffer, sizeof buffer);
        for (ssize_t offset = 0; offset < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + offset);
            offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const std::string name = event->len ? event->name : "";
            if ((event->mask & IN_ISDIR) && (event->mask & (IN_CREATE | IN_MOVED_TO)))
                add(paths[event->wd] + "/" + name);
            if ((event->mask & IN_ISDIR) || !(event->mask & point.mask) ||
                !endsWith(name, point.suffix))
                continue;
            if (++count >= point.count)
                return true;
        }
        return false;
    }

private:
    std::uint32_t mask;
    int descriptor = -1;
    std::map<int, std::string> paths;
};

pid_t startInOwnGroup(std::vector<char *> &command) {
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        execvp(command[0], command.data());
        std::perror("kill-watch: exec");
        _exit(127);
    }
    if (child > 0)
        setpgid(child, child);
    return child;
}

bool hasEnded(pid_t child, int &status) { return waitpid(child, &status, WNOHANG) == child; }

} // namespace

int main(int argc, char **argv) {
    Arguments arguments;
    if (!parseArguments(argc, argv, arguments))
        return usage();
    FolderWatch watch(arguments.point.mask);
    for (const std::string &folder : arguments.folders)
        if (!watch.add(folder)) {
            std::fprintf(stderr, "kill-watch: cannot watch %s: %s\n", folder.c_str(),
                         std::strerror(errno));
            return 2;
        }
    const pid_t child = startInOwnGroup(arguments.command);
    if (child < 0)
        return 2;
    long count = 0;
    int status = 0;
    while (!watch.countEvents(arguments.point, count, 20)) {
        if (hasEnded(child, status)) {
            std::printf("kill-watch: the command ended (status %d) after %ld of %ld events\n",
                        WIFEXITED(status) ? WEXITSTATUS(status) : -1, count, arguments.point.count);
            return 3;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(arguments.point.delayMilliseconds));
    if (hasEnded(child, status)) {
        std::printf("kill-watch: the command ended during the delay\n");
        return 3;
    }
    kill(-child, SIGKILL);
    waitpid(child, &status, 0);
    std::printf("kill-watch: killed after %ld events%s\n", count,
                arguments.point.delayMilliseconds ? " and the delay" : "");
    return 0;
}
