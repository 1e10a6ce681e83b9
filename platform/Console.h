// Whether a text stream ends at a terminal, for output that redraws a line in place there.
#pragma once

#include <cstdio>

namespace Cobalt::Platform {

// True when stream is open on a terminal (a console window on Windows); false for files, pipes
// and closed streams.
bool isTerminal(std::FILE *stream);

} // namespace Cobalt::Platform
