// Piecewise reading of stored and raw-deflate entries, with the checks that keep a damaged entry
// from passing as whole.
#include "io/ZIPEntryReader.h"

#include "io/PackageReader.h"
#include "io/Stream.h"

#include <zlib.h>

#include <algorithm>

namespace Cobalt::IO {

namespace {
// Deflate emits at most 258 bytes per two bits of input, so no real entry inflates further.
constexpr std::uint64_t MaximumDeflateRatio = 1032;
} // namespace

// The inflate stream and its clean-up.
struct ZIPEntryReader::Inflater {
    Inflater() = default;
    ~Inflater() {
        if (initialised)
            inflateEnd(&stream);
    }
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    z_stream stream{};
    bool initialised = false;
    bool ended = false;
};

ZIPEntryReader::ZIPEntryReader(std::weak_ptr<Stream> package, const ZIPEntry &entry)
    : package(std::move(package)), entry(entry) {}

ZIPEntryReader::~ZIPEntryReader() = default;

bool ZIPEntryReader::isStored() const { return entry.compressionMethod == ZIPFormat::Stored; }

bool ZIPEntryReader::open() {
    if (state != State::Unopened)
        return state != State::Damaged;
    state = State::Damaged;
    if (const std::shared_ptr<Stream> stream = package.lock()) {
        PackageReader reader(*stream);
        if (start(reader))
            state = State::Reading;
    }
    return state == State::Reading;
}

bool ZIPEntryReader::start(PackageReader &reader) {
    if (!reader.contains(entry.dataOffset, entry.storedSize()))
        return false;
    if (isStored())
        return true;
    if (entry.uncompressedSize > std::uint64_t{entry.compressedSize} * MaximumDeflateRatio)
        return false;
    inflater = std::make_unique<Inflater>();
    // Raw deflate: no zlib or gzip header around the data.
    inflater->initialised = inflateInit2(&inflater->stream, -MAX_WBITS) == Z_OK;
    input.resize(InputChunk);
    inputPosition = entry.dataOffset;
    inputLeft = entry.compressedSize;
    return inflater->initialised;
}

std::size_t ZIPEntryReader::read(char *data, std::size_t capacity) {
    if (!open() || state != State::Reading)
        return 0;
    const std::shared_ptr<Stream> stream = package.lock();
    if (!stream) {
        state = State::Damaged;
        return 0;
    }
    PackageReader reader(*stream);
    const std::uint64_t left = entry.uncompressedSize - produced;
    std::size_t count = 0;
    if (left > 0 && capacity > 0) {
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, left));
        if (isStored())
            count = reader.readAt(entry.dataOffset + produced, data, wanted) ? wanted : 0;
        else
            count = inflateInto(reader, data, wanted);
        if (count == 0) {
            // Nothing more came although bytes are missing: cut short or broken.
            state = State::Damaged;
            return 0;
        }
        checksum = static_cast<std::uint32_t>(
            crc32(checksum, reinterpret_cast<const Bytef *>(data), static_cast<uInt>(count)));
        produced += count;
    }
    if (produced == entry.uncompressedSize)
        state = (isStored() || endsHere(reader)) && checksum == entry.crc32 ? State::Finished
                                                                            : State::Damaged;
    return count;
}

std::size_t ZIPEntryReader::inflateInto(PackageReader &reader, char *data, std::size_t wanted) {
    z_stream &stream = inflater->stream;
    stream.next_out = reinterpret_cast<Bytef *>(data);
    stream.avail_out = static_cast<uInt>(wanted);
    while (stream.avail_out > 0 && !inflater->ended) {
        // Without more input inflate may still hold output; it says Z_BUF_ERROR when it has none.
        if (stream.avail_in == 0)
            refill(reader);
        const int result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_STREAM_END)
            inflater->ended = true;
        else if (result != Z_OK)
            break;
    }
    return wanted - stream.avail_out;
}

// After the declared size: the data must end without another byte. Data that was used up
// without deflate's end marker is accepted, as a single inflate call into the exact size would.
bool ZIPEntryReader::endsHere(PackageReader &reader) {
    z_stream &stream = inflater->stream;
    char spare = 0;
    while (!inflater->ended) {
        if (stream.avail_in == 0)
            refill(reader);
        stream.next_out = reinterpret_cast<Bytef *>(&spare);
        stream.avail_out = 1;
        const int result = inflate(&stream, Z_NO_FLUSH);
        if (stream.avail_out == 0)
            return false;
        if (result == Z_BUF_ERROR)
            return stream.avail_in == 0 && inputLeft == 0;
        if (result != Z_OK && result != Z_STREAM_END)
            return false;
        inflater->ended = result == Z_STREAM_END;
    }
    return true;
}

void ZIPEntryReader::refill(PackageReader &reader) {
    if (inputLeft == 0)
        return;
    const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(inputLeft, InputChunk));
    // inputLeft stays as it is on a failed read, so unreadable data never passes for its end.
    if (!reader.readAt(inputPosition, input.data(), chunk))
        return;
    inflater->stream.next_in = reinterpret_cast<Bytef *>(input.data());
    inflater->stream.avail_in = static_cast<uInt>(chunk);
    inputPosition += chunk;
    inputLeft -= chunk;
}

} // namespace Cobalt::IO
