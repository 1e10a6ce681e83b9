// Writes update releases for tests: the manifest and one ZIP package per group, including the
// inconsistent ones (missing entries, wrong digests, odd attributes) that real tools never make.
#pragma once

#include "tests/support/ZipWriter.h"

#include <deque>
#include <optional>
#include <string>

namespace Testing {

class ReleaseWriter {
public:
    struct File {
        std::string name;
        std::string data;               // the package entry's bytes
        std::optional<std::string> ver; // none leaves the attribute out
        std::optional<std::string> md5; // none writes the digest of data
        std::string type;               // left out when empty
        std::optional<std::string> args;
        bool inPackage = true; // false leaves the entry out of the package
    };

    struct Group {
        std::string name;
        std::string ver;
        std::string path;                // the package's name in the release folder
        std::optional<std::string> size; // none: the package's real size; empty: left out
        bool packaged = true;            // false writes no package file at all
        std::deque<File> files;

        // Adds a file entry; the reference stays valid while the group lives.
        File &add(const std::string &name, const std::string &data, const std::string &ver,
                  const std::string &type = "");
        // The group's package: its packaged files' data, deflated.
        ZipWriter package() const;
    };

    // version is the root's "version"; none leaves the attribute out.
    explicit ReleaseWriter(std::optional<std::string> version);

    // Adds a group; the reference stays valid while the writer lives.
    Group &addGroup(const std::string &name, const std::string &ver, const std::string &path);

    // The manifest's XML text.
    std::string manifest() const;

    // The root's "expires"; none leaves it out.
    std::optional<std::string> expires;
    // Whether each group carries its package's "sha256".
    bool digests = false;
    // Writes the manifest to folder + manifestName and each packaged group's package to
    // folder + its path, creating folders as needed. Throws std::runtime_error when a file cannot
    // be written.
    void writeTo(const std::string &folder, const std::string &manifestName = "manifest.xml") const;

private:
    std::optional<std::string> version;
    std::deque<Group> groups;
};

} // namespace Testing
