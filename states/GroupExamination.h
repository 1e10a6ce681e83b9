// Decides what one group of the server manifest changes in the installation.
#pragma once

#include "states/FileAction.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Cobalt {
class InputArchive;
namespace IO {
class FileServer;
}
} // namespace Cobalt

namespace Kestrel {

// The work one group brings: its package and its actions in document order.
struct GroupPlan {
    std::string name;                // the group's "name", for the log
    std::string packagePath;         // "path"; read only when there are actions
    std::int32_t packageSize = 0;    // "size"; 0 or less means the group has no package
    std::string packageSha256;       // "sha256"; what a verified package's digest must be
    std::vector<FileAction> actions; // nothing planned when empty

    // Whether some action takes its bytes from the package (takesBytes), so that a group of
    // other actions alone need not be downloaded.
    bool needsPackage() const;
};

// Examines the "group" element that manifest is positioned on and leaves it positioned there.
// Without fullCheck a group whose "ver" is not newer than localVersion plans nothing, and within
// a newer one a file is out of date when its own "ver" is newer. With fullCheck every file is
// out of date unless it exists and the MD5 digest of its bytes equals its "md5" exactly (the digest
// helper gives an empty file the empty text, which no 32-digit value matches), and removals and
// folders are decided by presence alone. Out-of-date entries are planned by their "type": Replace,
// Execute (with "args") and Folder always, RestoreOnly only while files says the name does not
// exist, Delete only while the name exists on disk; unknown types are ignored. Actions that take
// bytes carry the file's "md5", which the installed bytes must match. A name that
// isSafeInstallName refuses is never planned: it is logged and skipped, and the rest of the group
// goes on.
GroupPlan examineGroup(Cobalt::InputArchive &manifest, std::int32_t localVersion, bool fullCheck,
                       Cobalt::IO::FileServer &files);

} // namespace Kestrel
