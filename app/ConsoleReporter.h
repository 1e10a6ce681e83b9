// Reports an unattended launch as text: a line per state and update phase, download and install
// progress, and one summary line a script can grep for.
#pragma once

#include "app/LaunchObserver.h"
#include "app/StatusWriter.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace Kestrel {

class ConsoleReporter : public LaunchObserver {
public:
    // The switch of the launcher programs that leaves only errors and the summary.
    static constexpr const char *QuietSwitch = "--quiet";

    // Writes to stream (not owned); quiet keeps only the summary. clock as StatusWriter's.
    ConsoleReporter(std::FILE *stream, bool quiet, std::function<double()> clock = {});

    void installedRelease(const std::string &version) override;
    void stateEntered(const std::string &name) override;
    void updatePhaseStarted(UpdatePhase phase, std::int64_t amount) override;
    void downloadProgress(std::int64_t done, std::int64_t total) override;
    void packageDownloaded(std::uint64_t size) override;
    void actionEnded(const InstallResult &result) override;

    // Writes the summary of the run that ended with exitCode (a Launcher exit code).
    void summarize(int exitCode);

private:
    Cobalt::StatusWriter out;
    std::string releaseBefore;
    std::string releaseAfter;
    bool releaseKnown = false;
    std::int64_t downloadedBytes = 0;
    double downloadStart = 0.0;
    std::int64_t actionsTotal = 0;
    std::int64_t actionsDone = 0;
    std::int64_t written = 0;
    std::int64_t removed = 0;
    std::int64_t failed = 0;
};

} // namespace Kestrel
