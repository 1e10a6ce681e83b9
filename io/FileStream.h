// A stream over a file on disk, opened with sharing denied to nobody.
#pragma once

#include "io/Stream.h"

#include <string>

namespace Cobalt::IO {

class FileStream : public Stream {
public:
    // Does not open anything yet; file streams are always binary.
    FileStream(const std::string &name, int mode);

    // Opens the name, resolved through the current engine's file server when there is one
    // (unchanged otherwise). True when already open; false leaves the stream closed.
    bool open() override;
};

} // namespace Cobalt::IO
