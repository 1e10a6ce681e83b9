// The stream operations shared by disk, memory and ZIP entry streams.
#include "io/Stream.h"

#include "io/OpenMode.h"

#include <algorithm>
#include <climits>

namespace Cobalt::IO {

namespace {
// The engine numbers its seek directions 0, 1, 2; the standard library's values are its own.
bool toStandardDirection(int direction, std::ios_base::seekdir &standard) {
    switch (direction) {
    case 0:
        standard = std::ios_base::beg;
        return true;
    case 1:
        standard = std::ios_base::cur;
        return true;
    case 2:
        standard = std::ios_base::end;
        return true;
    default:
        return false;
    }
}

// The longest single line readLine takes, terminator excluded.
constexpr int LineBufferSize = 255;
} // namespace

Stream::Stream(const std::string &name, int mode)
    : name(name), mode(mode), binary((mode & Binary) != 0) {}

Stream::~Stream() = default;

bool Stream::isOpen() const { return stream && !stream->fail(); }

void Stream::close() { stream.reset(); }

std::uint32_t Stream::getSize() {
    if (!isOpen())
        return 0;
    const std::streampos start = stream->tellg();
    stream->seekg(0, std::ios_base::end);
    const std::streampos end = stream->tellg();
    stream->seekg(start);
    if (end < 0)
        return 0;
    return static_cast<std::uint32_t>(static_cast<std::streamoff>(end));
}

std::streampos Stream::tellg() { return stream ? stream->tellg() : std::streampos(0); }

std::streampos Stream::tellp() { return stream ? stream->tellp() : std::streampos(0); }

void Stream::seekg(long offset, int direction) {
    std::ios_base::seekdir standard;
    if (stream && toStandardDirection(direction, standard))
        stream->seekg(offset, standard);
}

void Stream::seekp(long offset, int direction) {
    std::ios_base::seekdir standard;
    if (stream && toStandardDirection(direction, standard))
        stream->seekp(offset, standard);
}

bool Stream::read(std::vector<char> &buffer, unsigned int count) {
    const std::uint32_t length = std::min<std::uint32_t>(getSize(), count);
    if (length == 0)
        return false;
    buffer.resize(length);
    // The pointer form takes an int, so sizes beyond its range go in pieces.
    std::uint32_t done = 0;
    while (done < length) {
        const int piece = static_cast<int>(std::min<std::uint32_t>(length - done, INT_MAX));
        if (!read(buffer.data() + done, piece))
            return false;
        done += static_cast<std::uint32_t>(piece);
    }
    return true;
}

bool Stream::read(char *data, int count) {
    if (!stream || count < 0)
        return false;
    stream->read(data, count);
    return stream->gcount() == count && !stream->bad();
}

bool Stream::write(const std::vector<char> &data, int count) {
    if (data.empty())
        return true;
    if (!stream)
        return false;
    // Never read past the caller's vector, whatever count says.
    const std::size_t length = std::min<std::size_t>(data.size(), count < 0 ? 0 : count);
    stream->write(data.data(), static_cast<std::streamsize>(length));
    return !stream->bad();
}

void Stream::readLine(std::string &line, char delimiter) {
    char buffer[LineBufferSize] = {};
    if (stream)
        stream->getline(buffer, LineBufferSize, delimiter);
    line = buffer;
}

void Stream::getLine(char *buffer, int size, char delimiter) {
    if (!stream)
        return;
    const std::streamsize limit = size == 0 ? INT_MAX : size;
    if (buffer)
        stream->getline(buffer, limit, delimiter);
    else
        stream->ignore(limit, delimiter);
}

void Stream::setStandardStream(std::unique_ptr<std::iostream> newStream) {
    stream = std::move(newStream);
}

} // namespace Cobalt::IO
