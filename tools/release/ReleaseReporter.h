// Reports the release tool's run as text: a line per step, progress on long steps, and one
// summary line a build job can grep for.
#pragma once

#include "app/StatusWriter.h"
#include "tools/release/ReleaseProgress.h"

#include <cstdio>
#include <functional>

namespace Release {

struct ReleaseContents;

class ReleaseReporter : public ReleaseProgress {
public:
    // Writes to stream (not owned); quiet keeps only the summary. clock as StatusWriter's.
    ReleaseReporter(std::FILE *stream, bool quiet, std::function<double()> clock = {});

    void stepStarted(ReleaseStep step, std::size_t files, std::uint64_t bytes) override;
    void fileDone(std::uint64_t size) override;

    // Writes the summary of release, once it is written.
    void summarize(const ReleaseContents &release);

private:
    Cobalt::StatusWriter out;
    ReleaseStep step = ReleaseStep::Reading;
    std::size_t files = 0;
    std::size_t filesDone = 0;
    std::uint64_t bytes = 0;
    std::uint64_t bytesDone = 0;
};

} // namespace Release
