// Staged files over the platform's new-file primitive.
#include "io/StagedFile.h"

#include "platform/NewFile.h"

#include <algorithm>

namespace Cobalt::IO {

std::unique_ptr<StagedFile> StagedFile::create(const std::string &path) {
    // A crashed run's leftover is never reused: its bytes are unknown, and it may be a link.
    auto file = Platform::NewFile::createReplacing(path);
    if (!file)
        return nullptr;
    return std::make_unique<StagedFile>(std::move(file));
}

StagedFile::StagedFile(std::unique_ptr<Platform::NewFile> file, std::uint64_t written)
    : file(std::move(file)), written(written) {}

StagedFile::~StagedFile() = default;

bool StagedFile::receive(const char *data, std::size_t size) {
    failed = failed || !file->write(data, size);
    if (!failed)
        written += size;
    // A large download goes on to the device as it arrives rather than in one flush when it is
    // closed, which kept the window from its messages. Only a hint: its failure changes nothing.
    if (!failed && written - handedOn >= WriteBehindBytes) {
        handedOn = written;
        file->writeBehind();
        // Where the bytes are already on their way, the device's own cache is emptied in
        // pieces too, so that the first flush of the install does not take the whole package.
        if (Platform::NewFile::writesBehind() && handedOn - flushedOn >= FlushBytes) {
            flushedOn = handedOn;
            file->flushToDevice();
        }
    }
    return !failed;
}

bool StagedFile::dropLast(std::uint64_t count) {
    if (count > written)
        count = written;
    failed = failed || !file->truncate(written - count);
    if (!failed)
        written -= count;
    // Bytes cut off are no longer on their way; the next hand-over counts from the new end.
    handedOn = std::min(handedOn, written);
    flushedOn = std::min(flushedOn, written);
    return !failed;
}

bool StagedFile::writeBehind() {
    failed = failed || !file->writeBehind();
    return !failed;
}

bool StagedFile::restart(const std::string &) { return dropLast(written); }

bool StagedFile::flushToDevice() {
    failed = failed || !file->flushToDevice();
    return !failed;
}

bool StagedFile::close() {
    // The rest of a large download follows the bytes already on their way.
    if (!failed && handedOn > 0 && written > handedOn)
        file->writeBehind();
    failed = !file->close() || failed;
    return !failed;
}

} // namespace Cobalt::IO
