// Translation of the engine open-mode bits into std::ios bits.
#include "io/OpenMode.h"

namespace Cobalt::IO {

std::ios_base::openmode toStandardMode(int mode) {
    std::ios_base::openmode standard{};
    if (mode & In)
        standard |= std::ios_base::in;
    if (mode & Out)
        standard |= std::ios_base::out;
    if (mode & Ate)
        standard |= std::ios_base::ate;
    if (mode & App)
        standard |= std::ios_base::app;
    if (mode & Trunc)
        standard |= std::ios_base::trunc;
    if (mode & Binary)
        standard |= std::ios_base::binary;
    return standard;
}

} // namespace Cobalt::IO
