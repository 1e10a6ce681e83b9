// Memory streams: a standard stream over a StreamBuf that the stream owns.
#include "io/MemoryStream.h"

#include "io/OpenMode.h"

namespace Cobalt::IO {

MemoryStream::MemoryStream(const std::vector<char> &data) : Stream(std::string(), Binary) {
    if (data.empty())
        return;
    buffer = std::make_unique<StreamBuf>(data);
    setStandardStream(std::make_unique<std::iostream>(buffer.get()));
}

// The standard stream points into the buffer, so it goes first.
MemoryStream::~MemoryStream() { close(); }

bool MemoryStream::open() { return true; }

} // namespace Cobalt::IO
