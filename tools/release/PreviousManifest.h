// What the previous release listed, so that the next one keeps the versions of unchanged files.
#pragma once

#include <map>
#include <string>

namespace Release {

struct PreviousEntry {
    std::string ver;
    std::string md5;
    std::string type;
    std::string args;
};

struct PreviousManifest {
    std::string version;                          // the root's "version"
    std::map<std::string, PreviousEntry> entries; // by "name"; the first entry of a name wins

    // Reads the manifest file at path with the launcher's own archive. Throws ReleaseError when it
    // does not load or has no "manifest" element.
    static PreviousManifest read(const std::string &path);
};

} // namespace Release
