// The text of the unattended launcher's reports.
#include "app/ConsoleReporter.h"

#include "app/Launcher.h"
#include "states/FileInstaller.h"
#include "states/GroupUpdateState.h"

#include <cstdio>
#include <utility>

namespace Kestrel {

namespace {
std::string releaseText(const std::string &version) { return version.empty() ? "none" : version; }
} // namespace

ConsoleReporter::ConsoleReporter(std::FILE *stream, bool quiet, std::function<double()> clock)
    : out(stream, "brightwell: ", quiet, std::move(clock)) {}

void ConsoleReporter::installedRelease(const std::string &version) {
    if (!releaseKnown)
        releaseBefore = releaseText(version);
    releaseAfter = releaseText(version);
    releaseKnown = true;
}

void ConsoleReporter::stateEntered(const std::string &name) { out.line("state " + name); }

void ConsoleReporter::updatePhaseStarted(UpdatePhase phase, std::int64_t amount) {
    switch (phase) {
    case UpdatePhase::Examine:
        out.line("examining the installed files");
        break;
    case UpdatePhase::Download:
        downloadStart = out.elapsed();
        out.line("downloading " + std::to_string(amount) + " bytes of packages");
        break;
    case UpdatePhase::Extract:
        actionsTotal = amount;
        out.line("installing " + Cobalt::counted(static_cast<std::uint64_t>(amount), "file"));
        break;
    case UpdatePhase::Finish:
        out.line("finishing the update");
        break;
    }
}

void ConsoleReporter::downloadProgress(std::int64_t done, std::int64_t total) {
    const double seconds = out.elapsed() - downloadStart;
    const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
    out.progress("download " + std::to_string(done) + " of " + std::to_string(total) + " bytes (" +
                 std::to_string(percent) + "%), " +
                 Cobalt::shortByteCount(seconds > 0 ? done / seconds : 0) + "/s");
}

void ConsoleReporter::packageDownloaded(std::uint64_t size) {
    downloadedBytes += static_cast<std::int64_t>(size);
}

// Only removals of files that are there and restorations of files that are missing are planned,
// so a successful action that takes bytes wrote its file, and a removal removed one.
void ConsoleReporter::actionEnded(const InstallResult &result) {
    if (!result.succeeded())
        ++failed;
    else if (result.kind == FileActionKind::Delete)
        ++removed;
    else if (takesBytes(result.kind))
        ++written;
    ++actionsDone;
    out.progress("install " + std::to_string(actionsDone) + " of " + std::to_string(actionsTotal) +
                 " files");
}

// One "key=value" field each; a new figure is one more line here.
void ConsoleReporter::summarize(int exitCode) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", out.elapsed());
    out.summary({
        {"release-before", releaseKnown ? releaseBefore : "unknown"},
        {"release-after", releaseKnown ? releaseAfter : "unknown"},
        {"written", std::to_string(written)},
        {"removed", std::to_string(removed)},
        {"failed", std::to_string(failed)},
        {"downloaded", std::to_string(downloadedBytes)},
        {"seconds", seconds},
        {"exit", std::to_string(exitCode) + " (" + Launcher::exitCodeMeaning(exitCode) + ")"},
    });
}

} // namespace Kestrel
