// POSIX keeps no command line text, only the split arguments.
#include "samples/samplegame/CommandLine.h"

namespace SampleGame {

std::string parametersText(int argc, char **argv) {
    std::string text;
    for (int index = 1; index < argc; ++index)
        text += (index > 1 ? " " : "") + std::string(argv[index]);
    return text;
}

} // namespace SampleGame
