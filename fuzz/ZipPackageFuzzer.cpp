// Fuzz target: a ZIP package from memory. Mounts it, lists its files and folders, opens and reads
// every listed entry, and keeps one entry open past the package's end.
#include "io/Exception.h"
#include "io/OpenMode.h"
#include "io/ZIPPackage.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using Cobalt::IO::ZIPPackage;

// Entry names split at their last '/', '\\' or ':'; the listing does not say which it was.
std::unique_ptr<Cobalt::IO::Stream> openListed(ZIPPackage &package, const std::string &folder,
                                               const std::string &file) {
    if (folder.empty())
        return package.open(file, Cobalt::IO::In | Cobalt::IO::Binary);
    for (const char separator : {'/', '\\', ':'}) {
        const std::string name = folder + separator + file;
        if (package.exists(name))
            return package.open(name, Cobalt::IO::In | Cobalt::IO::Binary);
    }
    return nullptr;
}

void readAll(Cobalt::IO::Stream &stream) {
    std::vector<char> contents;
    stream.read(contents, stream.getSize());
    stream.seekg(0, 0);
}

// Reads every file of folder and recurses into its sub-folders; returns the last opened entry.
std::unique_ptr<Cobalt::IO::Stream> walk(ZIPPackage &package, const std::string &folder,
                                         int depth) {
    std::unique_ptr<Cobalt::IO::Stream> kept;
    std::vector<std::string> files;
    package.listFiles(folder, files);
    for (const std::string &file : files) {
        if (auto stream = openListed(package, folder, file)) {
            readAll(*stream);
            kept = std::move(stream);
        }
    }
    if (depth == 0)
        return kept;
    std::vector<std::string> folders;
    package.listDirectories(folder, folders);
    for (const std::string &sub : folders)
        if (auto stream = walk(package, folder.empty() ? sub : folder + "/" + sub, depth - 1))
            kept = std::move(stream);
    return kept;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::unique_ptr<Cobalt::IO::Stream> survivor;
    {
        ZIPPackage package("fuzz.zip", std::vector<char>(data, data + size));
        try {
            package.readDirectory();
        } catch (const Cobalt::Exception &) {
            return 0;
        }
        survivor = walk(package, "", 8);
        if (survivor)
            package.open(survivor->getName(), Cobalt::IO::Out);
    }
    // The package is gone: the entry must still answer from what it kept.
    if (survivor) {
        survivor->getSize();
        survivor->open();
    }
    return 0;
}
