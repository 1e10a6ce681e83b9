// Terminals on POSIX systems.
#include "platform/Console.h"

#include <unistd.h>

namespace Cobalt::Platform {

bool isTerminal(std::FILE *stream) {
    const int descriptor = stream ? fileno(stream) : -1;
    return descriptor >= 0 && isatty(descriptor) == 1;
}

} // namespace Cobalt::Platform
