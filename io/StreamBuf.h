// The read-only memory buffer behind a MemoryStream: a private copy of the bytes, no put area.
#pragma once

#include <streambuf>
#include <vector>

namespace Cobalt::IO {

class StreamBuf : public std::streambuf {
public:
    // Takes the bytes; reading starts at the first of them.
    explicit StreamBuf(std::vector<char> data);
    StreamBuf(const StreamBuf &) = delete;
    StreamBuf &operator=(const StreamBuf &) = delete;

protected:
    // The byte at the read position (255 is data), or end-of-file at the end.
    int_type underflow() override;
    // Nothing can be put back: always end-of-file.
    int_type pbackfail(int_type c) override;
    // Writes are accepted and dropped.
    int_type overflow(int_type c) override;
    int sync() override;
    // Only the read position moves; any request that involves the write position, an unknown
    // direction or a target outside [0, size] answers the invalid position.
    pos_type seekoff(off_type offset, std::ios_base::seekdir direction,
                     std::ios_base::openmode which) override;
    pos_type seekpos(pos_type position, std::ios_base::openmode which) override;

private:
    std::vector<char> bytes;
};

} // namespace Cobalt::IO
