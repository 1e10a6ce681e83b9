// A file of the update's staging area: created new under its name (a leftover there is removed
// first, a link never followed), written from start to end by this process alone, and then used
// by name. It is also the sink of the download that fills it.
#pragma once

#include "network/DownloadSink.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Cobalt::Platform {
class NewFile;
}

namespace Cobalt::IO {

class StagedFile : public KSNetwork::DownloadSink {
public:
    // Removes the file or link at path (a native path; never a folder), then creates path as a
    // new file. Null when it cannot be created.
    static std::unique_ptr<StagedFile> create(const std::string &path);
    // Writes on after the written bytes already in file.
    explicit StagedFile(std::unique_ptr<Platform::NewFile> file, std::uint64_t written = 0);
    // Closes the file if close() has not; it stays on disk.
    ~StagedFile() override;

    // Appends the bytes; false, and every later call too, once a write failed.
    bool receive(const char *data, std::size_t size) override;
    // Cuts the last count bytes off the end.
    bool dropLast(std::uint64_t count) override;
    // Hands what was written to the device behind the writes (NewFile::writeBehind).
    bool writeBehind();
    // Empties the file; the validator is of no use to a file that is never continued.
    bool restart(const std::string &validator) override;
    // Hands everything written to the device.
    bool flushToDevice();
    // Closes the file: true when every write, cut and close succeeded.
    bool close();

    std::uint64_t size() const { return written; }

private:
    std::unique_ptr<Platform::NewFile> file;
    // Bytes between two hand-overs to the device while a download arrives, and between two
    // flushes of the device's cache: each flush then takes about 15 ms, where one for a whole
    // package stalled the install's first durable file for over 100 ms.
    static constexpr std::uint64_t WriteBehindBytes = 2 << 20;
    static constexpr std::uint64_t FlushBytes = 16 << 20;

    std::uint64_t written = 0;
    std::uint64_t handedOn = 0;
    std::uint64_t flushedOn = 0;
    bool failed = false;
};

} // namespace Cobalt::IO
