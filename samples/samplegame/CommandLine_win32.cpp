// Windows hands a program one command line text; the game's parameters are what follows its name.
#include "samples/samplegame/CommandLine.h"

#include <windows.h>

namespace SampleGame {

std::string parametersText(int, char **) {
    const std::string line = GetCommandLineA();
    std::string::size_type position = 0;
    // The program's name ends at its closing quote when it is quoted, else at the first blank.
    if (!line.empty() && line[0] == '"') {
        const auto quote = line.find('"', 1);
        position = quote == std::string::npos ? line.size() : quote + 1;
    } else {
        position = line.find_first_of(" \t");
    }
    position =
        line.find_first_not_of(" \t", position == std::string::npos ? line.size() : position);
    return position == std::string::npos ? std::string() : line.substr(position);
}

} // namespace SampleGame
