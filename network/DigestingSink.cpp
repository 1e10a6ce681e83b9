// A download sink that hashes what it hands on.
#include "network/DigestingSink.h"

namespace KSNetwork {

DigestingSink::DigestingSink(DownloadSink &target) : target(target), whole(target.held() == 0) {}

bool DigestingSink::receive(const char *data, std::size_t size) {
    if (!target.receive(data, size))
        return false;
    waiting.append(data, size);
    if (waiting.size() > Waiting) {
        const std::size_t ready = waiting.size() - Waiting;
        hash.update(waiting.data(), ready);
        waiting.erase(0, ready);
    }
    return true;
}

bool DigestingSink::dropLast(std::uint64_t count) {
    if (!target.dropLast(count))
        return false;
    if (count > waiting.size())
        whole = false;
    else
        waiting.resize(waiting.size() - static_cast<std::size_t>(count));
    return true;
}

bool DigestingSink::restart(const std::string &validator) {
    if (!target.restart(validator))
        return false;
    hash = Cobalt::Sha256();
    waiting.clear();
    whole = true;
    return true;
}

std::optional<Cobalt::Sha256::Digest> DigestingSink::digest() const {
    if (!whole)
        return std::nullopt;
    Cobalt::Sha256 all = hash;
    all.update(waiting.data(), waiting.size());
    return all.digest();
}

} // namespace KSNetwork
