// The engine exception, which leaves its message in the log as it is built.
#include "io/Exception.h"

#include "app/Log.h"

namespace Cobalt {

Exception::Exception(const std::string &message) : message(message) {
    // A thrown error must still be thrown when logging itself fails.
    try {
        Log &log = Log::instance();
        log.setLevel(Log::Exceptions);
        log << "Exception: " << message << std::endl;
    } catch (...) {
    }
}

const char *Exception::what() const noexcept { return message.c_str(); }

} // namespace Cobalt
