// Builds one update package: a single-disk ZIP archive whose entries the launcher's reader takes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Release {

class PackageWriter {
public:
    // The most entries the archive's 16-bit counts can hold.
    static constexpr std::size_t MaximumEntries = 0xffff;

    // Adds an entry under exactly name, deflated unless deflating does not make it smaller (then
    // stored). Throws ReleaseError when the entry or the archive would outgrow what the format's
    // 16- and 32-bit fields can describe.
    void add(const std::string &name, const std::vector<char> &bytes);

    // The whole archive: local headers and data, central directory, end record. Entries are in the
    // order they were added; every time stamp is the same fixed one, so equal input gives equal
    // bytes.
    const std::vector<char> &finish();

    std::size_t entryCount() const { return entries; }

private:
    std::vector<char> archive;
    std::vector<char> directory;
    std::size_t entries = 0;
    bool finished = false;
};

} // namespace Release
