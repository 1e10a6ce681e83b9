// Status lines for terminals, files and pipes alike.
#include "app/StatusWriter.h"

#include "platform/Console.h"

#include <chrono>
#include <cstdio>
#include <utility>

namespace Cobalt {

namespace {
double monotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

StatusWriter::StatusWriter(std::FILE *stream, std::string prefix, bool quiet,
                           std::function<double()> clock)
    : stream(stream), prefix(std::move(prefix)), quiet(quiet),
      terminal(Platform::isTerminal(stream)), clock(clock ? std::move(clock) : monotonicSeconds),
      start(this->clock()), lastLine(start) {}

void StatusWriter::line(const std::string &text) {
    if (quiet)
        return;
    endRedrawnLine();
    write(text + "\n");
    lastLine = clock();
}

void StatusWriter::progress(const std::string &text) {
    const double now = clock();
    if (quiet || now - lastLine < ProgressInterval)
        return;
    lastLine = now;
    if (!terminal) {
        write(text + "\n");
        return;
    }
    // Back to the line's start; blanks cover what is left of a longer line before it.
    std::fputc('\r', stream);
    write(text + std::string(openWidth > text.size() ? openWidth - text.size() : 0, ' '));
    openWidth = text.size();
}

void StatusWriter::summary(const std::vector<std::pair<std::string, std::string>> &fields) {
    std::string text = "summary";
    for (const auto &[key, value] : fields)
        text += " " + key + "=" + value;
    endRedrawnLine();
    write(text + "\n");
}

double StatusWriter::elapsed() const { return clock() - start; }

void StatusWriter::write(const std::string &text) {
    std::fputs((prefix + text).c_str(), stream);
    std::fflush(stream);
}

void StatusWriter::endRedrawnLine() {
    if (openWidth == 0)
        return;
    std::fputs("\n", stream);
    openWidth = 0;
}

std::string counted(std::uint64_t count, const char *thing) {
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

std::string shortByteCount(double size) {
    static const char *const units[] = {"KiB", "MiB", "GiB", "TiB"};
    if (size < 1024)
        return std::to_string(static_cast<long long>(size)) + " bytes";
    int unit = -1;
    while (size >= 1024 && unit < 3) {
        size /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", size, units[unit]);
    return text;
}

} // namespace Cobalt
