// One planned change to the installation, and the manifest "type" keywords behind it.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace Kestrel {

enum class FileActionKind : int {
    Replace = 0,     // type empty: written from the package
    Folder = 1,      // "folder": the folder is created
    RestoreOnly = 2, // "restore_only": written only while it is missing on disk
    Delete = 3,      // "removed" or "deleted": removed from disk
    Execute = 4,     // "exec": written, then started with its args
};

struct FileAction {
    FileAction(std::string name = {}, std::string args = {},
               FileActionKind kind = FileActionKind::Replace, std::string md5 = {})
        : name(std::move(name)), args(std::move(args)), kind(kind), md5(std::move(md5)) {}

    std::string name; // the manifest "name": virtual path and package entry name at once
    std::string args; // "args" of an Execute action; empty otherwise
    FileActionKind kind = FileActionKind::Replace;
    std::string md5; // the "md5" of an action that installs bytes; empty when none is given

    bool operator==(const FileAction &other) const {
        return name == other.name && args == other.args && kind == other.kind && md5 == other.md5;
    }
};

// The kind a manifest "type" stands for, compared exactly (letter case included); none for a
// keyword the launcher does not know, whose entry is then ignored.
std::optional<FileActionKind> fileActionKindOf(const std::string &type);

// Whether kind writes bytes from the package (Replace, RestoreOnly, Execute); Folder and Delete
// need none.
bool takesBytes(FileActionKind kind);

// The "type" a release writes for kind: empty for Replace, "removed" for Delete.
const char *typeKeywordOf(FileActionKind kind);

} // namespace Kestrel
