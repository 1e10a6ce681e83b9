// Console windows on Windows: the C runtime's own test, which a console handle passes.
#include "platform/Console.h"

#include <io.h>

namespace Cobalt::Platform {

bool isTerminal(std::FILE *stream) {
    const int descriptor = stream ? _fileno(stream) : -1;
    return descriptor >= 0 && _isatty(descriptor) != 0;
}

} // namespace Cobalt::Platform
