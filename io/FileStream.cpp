// File streams: the native file is reached through the platform seam.
#include "io/FileStream.h"

#include "app/Engine.h"
#include "io/FileServer.h"
#include "io/OpenMode.h"
#include "platform/NativeFile.h"

namespace Cobalt::IO {

namespace {
std::string nativePath(const std::string &name) {
    Engine *engine = Engine::instance();
    if (!engine || !engine->getFileServer())
        return name;
    return engine->getFileServer()->resolve(name);
}
} // namespace

FileStream::FileStream(const std::string &name, int mode) : Stream(name, mode | Binary) {}

bool FileStream::open() {
    if (isOpen())
        return true;
    setStandardStream(Platform::openFileStream(nativePath(getName()), toStandardMode(getMode())));
    if (isOpen())
        return true;
    close();
    return false;
}

} // namespace Cobalt::IO
