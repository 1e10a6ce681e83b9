// A read-only stream over a private copy of a byte buffer.
#pragma once

#include "io/Stream.h"
#include "io/StreamBuf.h"

#include <memory>
#include <vector>

namespace Cobalt::IO {

class MemoryStream : public Stream {
public:
    // Copies data and is open at once; an empty vector gives a stream that never opens.
    // Writes are accepted and lost; write positions are invalid.
    explicit MemoryStream(const std::vector<char> &data);
    ~MemoryStream() override;

    // Changes nothing and returns true.
    bool open() override;

private:
    std::unique_ptr<StreamBuf> buffer;
};

} // namespace Cobalt::IO
