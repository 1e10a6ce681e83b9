// Where a download's body goes as it arrives: memory, a staged file on disk, a digest. The
// connector hands the bytes on without knowing what keeps them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace KSNetwork {

class DownloadSink {
public:
    virtual ~DownloadSink() = default;

    // Takes the next size bytes of the body. False when they cannot be kept (memory, disk, a
    // limit): the transfer stops and the download reports that it did not finish.
    virtual bool receive(const char *data, std::size_t size) = 0;
    // Forgets the last count bytes received (the site download's trailing line ends); count
    // never exceeds what this download delivered. False when that fails.
    virtual bool dropLast(std::uint64_t count) = 0;
    // The length the server announced, before the first byte arrives; only a hint, ignored
    // unless a sink can use it.
    virtual void expect(std::uint64_t) {}

    // Resuming. A sink that keeps what an earlier, cut attempt (of this run or of an earlier
    // one) delivered answers held() > 0 and the validator of the reply those bytes came from;
    // the next attempt then asks only for the rest. The defaults never resume.
    virtual std::uint64_t held() const { return 0; }
    virtual std::string validator() const { return std::string(); }
    // Forgets every byte this sink took, in every attempt, before a reply whose body starts from
    // the first byte; validator names that reply (empty: it named none). False when that fails.
    virtual bool restart(const std::string &validator) = 0;
    // Told when a reply continues the bytes held instead of sending them again.
    virtual void continued() {}
};

} // namespace KSNetwork
