// A stand-in for the game: records the parameters it was started with in a file beside itself,
// so that tests and the demo can see what the launcher handed over. It never waits for anyone.
#include "platform/NativeFile.h"
#include "platform/NewFile.h"
#include "platform/SystemHelpers.h"
#include "samples/samplegame/CommandLine.h"

#include <cstdio>
#include <string>

namespace {
const char *const RecordName = "samplegame-commandline.txt";
}

int main(int argc, char **argv) {
    const std::string parameters = SampleGame::parametersText(argc, argv);
    std::printf("samplegame started with: %s\n", parameters.c_str());
    const std::string folder = Cobalt::executableFolder();
    const std::string record = (folder.empty() ? std::string() : folder + "/") + RecordName;
    // Written beside the record and moved over it, so a reader never sees half of it.
    const std::string pending = record + ".new";
    if (!Cobalt::Platform::writeFileDurably(pending, parameters.data(), parameters.size()) ||
        !Cobalt::Platform::replaceFile(pending, record)) {
        std::fprintf(stderr, "samplegame: cannot write %s\n", record.c_str());
        return 1;
    }
    return 0;
}
