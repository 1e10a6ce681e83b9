// The one failure of the release tool: a refusal with a message for the publisher.
#pragma once

#include <stdexcept>
#include <string>

namespace Release {

class ReleaseError : public std::runtime_error {
public:
    explicit ReleaseError(const std::string &message) : std::runtime_error(message) {}
};

} // namespace Release
