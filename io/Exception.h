// The engine's exception: structural failures of the file system and the archives.
#pragma once

#include <exception>
#include <string>

namespace Cobalt {

class Exception : public std::exception {
public:
    // Builds the exception and writes "Exception: " and the message to the log at level 2.
    explicit Exception(const std::string &message);
    const char *what() const noexcept override;

private:
    std::string message;
};

} // namespace Cobalt
