// One entry of a ZIP package read in pieces: stored bytes are copied and deflated ones inflated
// as they are asked for, so memory stays the same whatever the entry's size. The size and the
// CRC-32 that the directory declares are checked once the last byte has been read.
#pragma once

#include "io/ZIPEntry.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace Cobalt::IO {

class PackageReader;
class Stream;

class ZIPEntryReader {
public:
    // Compressed bytes are read from the package in pieces of this size.
    static constexpr std::size_t InputChunk = 64 * 1024;

    // Reads entry from the package's stream, which it watches without owning: once the package
    // is gone the entry reads as damaged.
    ZIPEntryReader(std::weak_ptr<Stream> package, const ZIPEntry &entry);
    ~ZIPEntryReader();
    ZIPEntryReader(const ZIPEntryReader &) = delete;
    ZIPEntryReader &operator=(const ZIPEntryReader &) = delete;

    // Checks that the declared sizes fit the package (a deflated entry cannot inflate more than
    // deflate's largest ratio) and sets up inflating; false marks the entry damaged. read() does
    // this itself when it was not done.
    bool open();
    // Reads the next bytes of the contents, at most capacity, into data and returns how many;
    // 0 once the entry is over or damaged. The call that reads the last byte also checks the
    // whole: only then can finished() be true.
    std::size_t read(char *data, std::size_t capacity);
    // Whether every byte was read and the contents had exactly the declared size and CRC-32.
    bool finished() const { return state == State::Finished; }

    // The uncompressed size the directory declares.
    std::uint32_t size() const { return entry.uncompressedSize; }

private:
    enum class State { Unopened, Reading, Finished, Damaged };
    struct Inflater;

    bool start(PackageReader &reader);
    std::size_t inflateInto(PackageReader &reader, char *data, std::size_t wanted);
    bool endsHere(PackageReader &reader);
    // Hands inflate the next piece of compressed input, if any is left and it reads.
    void refill(PackageReader &reader);
    bool isStored() const;

    std::weak_ptr<Stream> package;
    ZIPEntry entry;
    State state = State::Unopened;
    std::uint64_t produced = 0;
    std::uint32_t checksum = 0;
    // Deflated entries: the inflate stream, the compressed bytes at hand and what is left.
    std::unique_ptr<Inflater> inflater;
    std::vector<char> input;
    std::uint64_t inputPosition = 0;
    std::uint64_t inputLeft = 0;
};

} // namespace Cobalt::IO
