// Log writing: level and mask filtering, indentation at line starts, cut printf-style lines.
#include "app/Log.h"

#include "platform/SystemHelpers.h"

#include <cstdarg>
#include <cstdio>

namespace Cobalt {

namespace {
constexpr std::size_t MessageBufferSize = 512;
using Manipulator = std::ostream &(*)(std::ostream &);
const Manipulator endOfLine = std::endl;
} // namespace

Log &Log::instance() {
    static Log log;
    return log;
}

void Log::addOutput(std::unique_ptr<std::ostream> output, std::uint32_t mask) {
    outputs.push_back(std::move(output));
    masks.push_back(mask);
}

void Log::write(const std::string &text) {
    if (levelIsDropped())
        return;
    std::string prefix;
    if (atLineStart) {
        prefix.assign(indentation, ' ');
        atLineStart = false;
    }
    for (std::size_t i = 0; i < outputs.size(); ++i)
        if (reaches(i))
            *outputs[i] << prefix << text;
}

Log &Log::operator<<(std::ostream &(*manipulator)(std::ostream &)) {
    if (!levelIsDropped())
        for (std::size_t i = 0; i < outputs.size(); ++i)
            if (reaches(i))
                manipulator(*outputs[i]);
    // A line end restarts the line even when no output took it, so indentation stays right.
    if (manipulator == endOfLine)
        atLineStart = true;
    return *this;
}

void Log::message(const char *format, ...) {
    level = Information;
    if (maximumLevel < Information)
        return;
    // vsnprintf cuts at the buffer's end and always terminates, so long texts are shortened.
    char buffer[MessageBufferSize];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    *this << buffer << endOfLine;
}

void Log::closeOutputs() {
    for (auto &output : outputs)
        *output << "Time: " << currentTimeText() << std::endl << std::endl;
    outputs.clear();
    masks.clear();
}

} // namespace Cobalt
