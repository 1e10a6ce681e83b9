// What every system's new files share.
#include "platform/NewFile.h"

#include "platform/NativeFile.h"

namespace Cobalt::Platform {

std::unique_ptr<NewFile> NewFile::createReplacing(const std::string &path) {
    // isDirectory follows a link, so a link to a folder is caught by isLink first.
    if (isLink(path) || !isDirectory(path))
        removeFile(path);
    return create(path);
}

bool writeFileDurably(const std::string &path, const char *data, std::size_t size) {
    const auto file = NewFile::createReplacing(path);
    return file && file->write(data, size) && file->flushToDevice() && file->close();
}

} // namespace Cobalt::Platform
