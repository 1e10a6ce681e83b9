// A get area over a private byte vector; positioning is for reading only.
#include "io/StreamBuf.h"

namespace Cobalt::IO {

namespace {
const std::streambuf::pos_type InvalidPosition(std::streambuf::off_type(-1));
}

StreamBuf::StreamBuf(std::vector<char> data) : bytes(std::move(data)) {
    char *const first = bytes.data();
    setg(first, first, first + bytes.size());
}

StreamBuf::int_type StreamBuf::underflow() {
    if (gptr() == egptr())
        return traits_type::eof();
    return traits_type::to_int_type(*gptr());
}

StreamBuf::int_type StreamBuf::pbackfail(int_type) { return traits_type::eof(); }

StreamBuf::int_type StreamBuf::overflow(int_type c) {
    sync();
    return traits_type::not_eof(c);
}

int StreamBuf::sync() {
    setp(nullptr, nullptr);
    return 0;
}

StreamBuf::pos_type StreamBuf::seekoff(off_type offset, std::ios_base::seekdir direction,
                                       std::ios_base::openmode which) {
    off_type origin;
    if (direction == std::ios_base::beg)
        origin = 0;
    else if (direction == std::ios_base::cur)
        origin = gptr() - eback();
    else if (direction == std::ios_base::end)
        origin = egptr() - eback();
    else
        return InvalidPosition;
    return seekpos(pos_type(origin + offset), which);
}

StreamBuf::pos_type StreamBuf::seekpos(pos_type position, std::ios_base::openmode which) {
    const off_type target = position;
    if (which != std::ios_base::in || target < 0 || target > egptr() - eback())
        return InvalidPosition;
    setg(eback(), eback() + target, egptr());
    return position;
}

} // namespace Cobalt::IO
