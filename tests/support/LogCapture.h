// Collects what the engine log writes at the information level while it lives.
#pragma once

#include <sstream>
#include <string>

namespace Testing {

class LogCapture {
public:
    // Attaches an output to the process's log (which owns it).
    LogCapture();
    // Closes every output of the log.
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    // Still readable after the log closed (and destroyed) the output.
    std::string text() const { return buffer.str(); }

private:
    std::stringbuf buffer;
};

} // namespace Testing
