// Makes a folder the process's current directory for one scope, then returns to the previous one.
#pragma once

#include <filesystem>
#include <string>

namespace Testing {

class ScopedCurrentDirectory {
public:
    // Fails the running test when folder cannot be entered.
    explicit ScopedCurrentDirectory(const std::string &folder);
    // Leaves the folder first, so that it can be removed (Windows keeps the current one busy).
    ~ScopedCurrentDirectory();
    ScopedCurrentDirectory(const ScopedCurrentDirectory &) = delete;
    ScopedCurrentDirectory &operator=(const ScopedCurrentDirectory &) = delete;

private:
    std::filesystem::path previous;
};

} // namespace Testing
