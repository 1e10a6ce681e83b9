// The engine's open-mode bit set, as stored files and callers pass it, and its std::ios twin.
#pragma once

#include <ios>

namespace Cobalt::IO {

enum OpenMode : int {
    In = 1,
    Out = 2,
    Ate = 4,
    App = 8,
    Trunc = 16,
    Binary = 32,
};

// The std::ios_base::openmode with the same meaning; the standard library numbers its bits
// differently, so the engine's values never go to a standard stream unconverted.
std::ios_base::openmode toStandardMode(int mode);

} // namespace Cobalt::IO
