// The read-only buffer behind an opened ZIP entry: its whole decompressed contents in memory.
#pragma once

#include <streambuf>
#include <vector>

namespace Cobalt::IO {

// The get area is the whole buffer. Only sequential reading is supported: positioning requests
// fail, and nothing can be written or put back.
class ZIPStreamBuf : public std::streambuf {
public:
    // Takes the bytes and puts the read position on the first of them.
    explicit ZIPStreamBuf(std::vector<char> contents);
    ~ZIPStreamBuf() override;
    ZIPStreamBuf(const ZIPStreamBuf &) = delete;
    ZIPStreamBuf &operator=(const ZIPStreamBuf &) = delete;

private:
    std::vector<char> contents;
};

} // namespace Cobalt::IO
