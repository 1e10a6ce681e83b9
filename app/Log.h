// The process-wide engine log: level bits, masked outputs, indentation and stream-style writing.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace Cobalt {

class Log {
public:
    // Levels are single bits.
    static constexpr std::uint32_t Exceptions = 2;
    static constexpr std::uint32_t Information = 8;
    static constexpr std::uint32_t Default = 16;

    // The one log of the process, created on first use and destroyed at exit.
    static Log &instance();

    Log(const Log &) = delete;
    Log &operator=(const Log &) = delete;

    // Attaches an output (owned by the log) that receives the levels that share a bit with mask.
    void addOutput(std::unique_ptr<std::ostream> output, std::uint32_t mask);
    void setLevel(std::uint32_t newLevel) { level = newLevel; }
    void setMaximumLevel(std::uint32_t newMaximum) { maximumLevel = newMaximum; }
    void setIndentation(std::uint32_t blanks) { indentation = blanks; }

    // Formats value through a string stream and writes the text at the current level.
    template <typename T> Log &operator<<(const T &value) {
        std::ostringstream text;
        text << value;
        write(text.str());
        return *this;
    }
    // Applies a manipulator (std::endl, std::flush) to the outputs of the current level.
    Log &operator<<(std::ostream &(*manipulator)(std::ostream &));

    // printf-style line at level 8. The text is cut to 511 characters, never overrun.
    void message(const char *format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    // Writes "Time: " and the local time to every output, then destroys them all.
    void closeOutputs();

private:
    Log() = default;
    void write(const std::string &text);
    bool levelIsDropped() const { return level > maximumLevel; }
    bool reaches(std::size_t output) const { return (masks[output] & level) != 0; }

    std::vector<std::unique_ptr<std::ostream>> outputs;
    std::vector<std::uint32_t> masks;
    std::uint32_t maximumLevel = 32;
    std::uint32_t level = Default;
    std::uint32_t indentation = 0;
    bool atLineStart = true;
};

} // namespace Cobalt
