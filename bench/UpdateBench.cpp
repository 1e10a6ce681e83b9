// The update measured end to end: the real launcher states over the in-memory window layer, the
// real main loop with the real clock, and the reference server (run around this program by
// scripts/update-bench.sh, which also makes the release). From entering "ManifestUpdate" to
// "StartGame" it times every phase, the longest single update of the Extract phase (the longest
// time the window could not repaint) and the longest time without messages while packages
// downloaded, and reports the process's processor time and its
// peak memory against the package's size.
//
// Usage: UpdateBench <installation folder> <server manifest name> <package bytes> <files>
//   the folder holds launcher.xml (pointing at the server) and the local manifest.xml;
//   BRIGHTWELL_SERVER_URL is not read here, the configuration carries the address.
//   UPDATE_BENCH_STEPS=<n> also lists the n longest single steps of the Extract phase, each with
//   its place among them: a step whose length grows with the package (its directory, its
//   removal) shows up in the same place run after run, a wait for a busy disk anywhere.
#include "app/Engine.h"
#include "app/FrameTimer.h"
#include "app/LauncherApp.h"
#include "app/LauncherState.h"
#include "app/MainLoop.h"
#include "io/FileServer.h"
#include "network/KSConnector.h"
#include "platform/MessageBox.h"
#include "platform/SystemHelpers.h"
#include "platform/headless/HeadlessWindows.h"
#include "states/CheckVersionState.h"
#include "states/GroupUpdateState.h"
#include "ui/WindowElement.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double MiB = 1024.0 * 1024.0;

rusage usageNow() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage;
}

double peakMiB() { return static_cast<double>(usageNow().ru_maxrss) / 1024.0; }

// User and system time of the process so far, in seconds.
double processorSeconds() {
    const rusage usage = usageNow();
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The name of what the launcher is doing: its state, and the update's phase inside GroupUpdate.
std::string phaseOf(Kestrel::LauncherApp &app) {
    Kestrel::LauncherState *state = app.getCurrentState();
    const std::string name = state->getName();
    if (name != "GroupUpdate")
        return name;
    static const char *const phases[] = {"Examine", "Download", "Extract", "Finish"};
    return "GroupUpdate/" + std::string(phases[static_cast<int>(
                                static_cast<Kestrel::GroupUpdateState *>(state)->getPhase())]);
}

struct Phase {
    std::string name;
    double start;
};

// The Extract phase reads its work clock once as an update starts and once after each step: the
// time between two readings of one update is one step.
class StepTimes {
public:
    double read() {
        const double now = Cobalt::currentTime();
        if (updateStarted)
            steps.push_back({now - last, steps.size() + 1});
        updateStarted = true;
        // Read again: the list's growth is the benchmark's time, not the next step's.
        last = Cobalt::currentTime();
        return now;
    }
    void nextUpdate() { updateStarted = false; }
    void printLongest(std::size_t count) {
        count = std::min(count, steps.size());
        std::partial_sort(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(count),
                          steps.end(),
                          [](const Step &a, const Step &b) { return a.seconds > b.seconds; });
        for (std::size_t index = 0; index < count; ++index)
            std::printf("Extract step %zu of %zu: %.1f ms\n", steps[index].place, steps.size(),
                        steps[index].seconds * 1000.0);
    }

private:
    struct Step {
        double seconds;
        std::size_t place;
    };
    std::vector<Step> steps;
    double last = 0;
    bool updateStarted = false;
};

} // namespace

int main(int argc, char **argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: UpdateBench <installation folder> <manifest name> <package "
                             "bytes> <files>\n");
        return 2;
    }
    const std::string folder = argv[1];
    const double packageBytes = std::atof(argv[3]);
    Kestrel::overrideUserAdmin(true);
    Kestrel::Platform::setMessageBoxAnswerer(
        [](const std::string &text, const std::string &, Kestrel::Platform::MessageBoxKind) {
            std::fprintf(stderr, "box: %s\n", text.c_str());
            return Kestrel::Platform::MessageBoxAnswer::Cancel;
        });
    Cobalt::IO::FileServer *files = Cobalt::startEngine()->getFileServer();
    Cobalt::setCurrentDirectory(folder.c_str());
    files->setAlias("_user", (folder + "/.documents").c_str());
    files->setAlias("_temp", (folder + "/.temp").c_str());
    files->setAlias("_data", (folder + "/.data").c_str());
    files->addSearchPath(folder.c_str());

    Kestrel::Platform::registerMainWindowClass({});
    const Kestrel::Platform::WindowHandle window = Kestrel::Platform::createMainWindow();
    Kestrel::WindowElement root(window);

    Kestrel::LauncherApp app;
    app.setRootElement(&root);
    if (!app.loadConfiguration(folder + "/launcher.xml")) {
        std::fprintf(stderr, "cannot load %s/launcher.xml\n", folder.c_str());
        return 1;
    }
    Kestrel::MainLoop loop(app, window, [] { return Cobalt::currentTime(); });
    std::vector<Phase> phases;
    auto observe = [&] {
        const std::string now = phaseOf(app);
        if (phases.empty() || phases.back().name != now)
            phases.push_back({now, Cobalt::currentTime()});
    };
    // The longest time the window went without its messages while a package downloaded: the
    // transfer pumps them as bytes arrive, what follows the last byte does not.
    double longestDownloadGap = 0;
    double lastPump = Cobalt::currentTime();
    auto pumped = [&] {
        const double now = Cobalt::currentTime();
        if (phases.back().name == "GroupUpdate/Download")
            longestDownloadGap = std::max(longestDownloadGap, now - lastPump);
        lastPump = now;
    };
    app.getConnector()->setProgressCallback([&] {
        loop.pumpOnce();
        pumped();
        observe();
    });
    app.setCredentials("player", "5f4dcc3b5aa765d61d8327deb882cf99");
    Kestrel::manifestStatus.set(false, "", argv[2]);
    const double startMiB = peakMiB();
    const double startProcessor = processorSeconds();

    app.changeState("ManifestUpdate");
    observe();
    StepTimes stepTimes;
    const char *const listedSteps = std::getenv("UPDATE_BENCH_STEPS");
    // Only when asked: the times of every step take memory that the peak would count.
    if (listedSteps)
        static_cast<Kestrel::GroupUpdateState *>(app.findState("GroupUpdate"))->workClock = [&] {
            return stepTimes.read();
        };
    double longestExtractPass = 0;
    while (phases.back().name != "StartGame" && !app.isQuitRequested()) {
        const bool extracting = phases.back().name == "GroupUpdate/Extract";
        stepTimes.nextUpdate();
        const double passStart = Cobalt::currentTime();
        loop.runPass();
        if (extracting)
            longestExtractPass = std::max(longestExtractPass, Cobalt::currentTime() - passStart);
        pumped();
        observe();
    }
    const double end = Cobalt::currentTime();
    if (phases.back().name != "StartGame") {
        std::fprintf(stderr, "the update did not reach StartGame\n");
        return 1;
    }

    std::printf("phase                    seconds\n");
    for (std::size_t index = 0; index + 1 < phases.size(); ++index)
        std::printf("%-24s %8.3f\n", phases[index].name.c_str(),
                    phases[index + 1].start - phases[index].start);
    std::printf("%-24s %8.3f\n", "ManifestUpdate..StartGame", end - phases.front().start);
    // A pass of the main loop is one update plus a message or two: the longest time the window
    // went without repainting.
    std::printf("Extract: %d actions; longest update %.1f ms\n", std::atoi(argv[4]),
                longestExtractPass * 1000.0);
    std::printf("Download: longest time without messages %.1f ms\n", longestDownloadGap * 1000.0);
    if (listedSteps)
        stepTimes.printLongest(static_cast<std::size_t>(std::atoi(listedSteps)));
    std::printf("processor time of the update %.3f s\n", processorSeconds() - startProcessor);
    // The update streams packages and files through fixed buffers: its memory must not depend
    // on their size.
    const double peak = peakMiB();
    const double package = packageBytes / MiB;
    std::printf("peak memory %.1f MiB (%.1f MiB before the update); package %.1f MiB, %.3f of it; "
                "goal under 64 MiB: %s\n",
                peak, startMiB, package, peak / package, peak < 64 ? "met" : "missed");
    return 0;
}
