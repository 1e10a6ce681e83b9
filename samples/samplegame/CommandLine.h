// The sample game's view of how it was started.
#pragma once

#include <string>

namespace SampleGame {

// The parameters the program was started with, as one text without the program's own name: the
// system's command line text where it keeps one (Windows), otherwise the arguments joined by
// single blanks.
std::string parametersText(int argc, char **argv);

} // namespace SampleGame
