// The status output of the unattended programs: a line per step, progress lines no closer together
// than ProgressInterval (redrawn in place on a terminal), and a summary that even quiet runs keep.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace Cobalt {

class StatusWriter {
public:
    // Seconds between two progress lines, and between a step's line and the first progress line.
    static constexpr double ProgressInterval = 2.0;

    // Writes to stream (not owned; it must outlive the writer), each text after prefix. quiet keeps
    // only summaries. clock gives seconds from any origin; a monotonic clock when empty.
    StatusWriter(std::FILE *stream, std::string prefix, bool quiet,
                 std::function<double()> clock = {});

    // A line of its own: a step begins. Dropped when quiet.
    void line(const std::string &text);
    // A progress line, dropped when quiet or within ProgressInterval of the last line written; on
    // a terminal it takes the place of the progress line before it.
    void progress(const std::string &text);
    // The line that every run writes: "summary" and a "key=value" per field, in order.
    void summary(const std::vector<std::pair<std::string, std::string>> &fields);

    // Seconds since the writer was made.
    double elapsed() const;

private:
    void write(const std::string &text);
    void endRedrawnLine();

    std::FILE *stream;
    std::string prefix;
    bool quiet;
    bool terminal;
    std::function<double()> clock;
    double start;
    double lastLine;
    // Characters of the progress line the cursor stands after, not yet ended; 0 when none.
    std::size_t openWidth = 0;
};

// count and the thing counted, in the plural unless count is 1: "1 file", "20 files".
std::string counted(std::uint64_t count, const char *thing);

// size as a short figure with a binary unit: "512 bytes", "20.0 MiB", "1.9 GiB".
std::string shortByteCount(double size);

} // namespace Cobalt
