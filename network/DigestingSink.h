// Hands a download on to the sink that keeps it and takes the SHA-256 of the kept bytes on the
// way, so that a package is checked without reading it back from disk once it has arrived.
#pragma once

#include "app/Sha256.h"
#include "network/DownloadSink.h"

#include <optional>

namespace KSNetwork {

class DigestingSink : public DownloadSink {
public:
    // target must outlive the sink; bytes it already holds are not in the digest.
    explicit DigestingSink(DownloadSink &target);

    bool receive(const char *data, std::size_t size) override;
    bool dropLast(std::uint64_t count) override;
    void expect(std::uint64_t announcedBytes) override { target.expect(announcedBytes); }
    std::uint64_t held() const override { return target.held(); }
    std::string validator() const override { return target.validator(); }
    bool restart(const std::string &validator) override;
    void continued() override { target.continued(); }

    // The digest of every byte the target holds; none when some of them did not pass through
    // here (held before, or cut off deeper than the bytes still waiting to be hashed).
    std::optional<Cobalt::Sha256::Digest> digest() const;

    // The last bytes wait this long before they are hashed: the site download may still cut
    // trailing line ends off, and those are few.
    static constexpr std::size_t Waiting = 4096;

private:
    DownloadSink &target;
    Cobalt::Sha256 hash;
    std::string waiting;
    bool whole;
};

} // namespace KSNetwork
