// A fresh folder under the system's temporary folder, removed with everything in it at the end.
#pragma once

#include <string>
#include <vector>

namespace Testing {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    // The folder's path, ending in a separator.
    const std::string &path() const { return root; }
    // root + relative.
    std::string operator/(const std::string &relative) const { return root + relative; }
    // Writes bytes to root + relative (folders must exist).
    void write(const std::string &relative, const std::string &bytes) const;
    // The whole file at root + relative; empty when it does not open.
    std::string read(const std::string &relative) const;

private:
    std::string root;
};

} // namespace Testing
