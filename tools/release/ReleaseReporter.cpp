// The text of the release tool's reports.
#include "tools/release/ReleaseReporter.h"

#include "states/FileAction.h"
#include "tools/release/ReleaseBuilder.h"

#include <string>

namespace Release {

namespace {
using Cobalt::counted;

// What a step does to its files, as the line that starts it and as its progress say it.
struct StepWords {
    const char *starting;
    const char *done;
    const char *thing;
};

StepWords wordsOf(ReleaseStep step) {
    switch (step) {
    case ReleaseStep::Reading:
        return {"reading", "read", "file"};
    case ReleaseStep::Hashing:
        return {"hashing", "hashed", "file"};
    case ReleaseStep::Packing:
        return {"packing", "packed", "file"};
    case ReleaseStep::Writing:
        break;
    }
    return {"writing", "wrote", "package"};
}

// "12 of 20 files, 1.2 MiB of 3.4 MiB", or, with no total known, "12 files, 1.2 MiB".
std::string amount(std::size_t count, std::uint64_t size, std::size_t total,
                   std::uint64_t totalSize, const char *thing) {
    if (total == 0)
        return counted(count, thing) + ", " + Cobalt::shortByteCount(size);
    return std::to_string(count) + " of " + counted(total, thing) + ", " +
           Cobalt::shortByteCount(size) + " of " + Cobalt::shortByteCount(totalSize);
}
} // namespace

ReleaseReporter::ReleaseReporter(std::FILE *stream, bool quiet, std::function<double()> clock)
    : out(stream, "brightwell-release: ", quiet, std::move(clock)) {}

void ReleaseReporter::stepStarted(ReleaseStep newStep, std::size_t newFiles,
                                  std::uint64_t newBytes) {
    step = newStep;
    files = newFiles;
    bytes = newBytes;
    filesDone = 0;
    bytesDone = 0;
    const StepWords words = wordsOf(step);
    if (step == ReleaseStep::Reading)
        out.line(std::string(words.starting) + " the game folder");
    else
        out.line(std::string(words.starting) + " " + counted(files, words.thing) + ", " +
                 Cobalt::shortByteCount(bytes));
}

void ReleaseReporter::fileDone(std::uint64_t size) {
    ++filesDone;
    bytesDone += size;
    const StepWords words = wordsOf(step);
    out.progress(std::string(words.done) + " " +
                 amount(filesDone, bytesDone, files, bytes, words.thing));
}

// One "key=value" field each; a new figure is one more line here.
void ReleaseReporter::summarize(const ReleaseContents &release) {
    std::size_t fileCount = 0;
    std::uint64_t packageBytes = 0;
    for (const ManifestGroup &group : release.groups) {
        packageBytes += group.package.size();
        for (const ManifestFile &file : group.files)
            if (Kestrel::fileActionKindOf(file.type) != Kestrel::FileActionKind::Delete)
                ++fileCount;
    }
    out.summary({
        {"version", release.version},
        {"groups", std::to_string(release.groups.size())},
        {"files", std::to_string(fileCount)},
        {"package-bytes", std::to_string(packageBytes)},
        {"new", std::to_string(release.changes.added)},
        {"changed", std::to_string(release.changes.changed)},
        {"removed", std::to_string(release.changes.removed)},
        {"kept", std::to_string(release.changes.kept)},
    });
}

} // namespace Release
