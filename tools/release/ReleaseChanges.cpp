// Counting the changes by the previous manifest's own entries.
#include "tools/release/ReleaseChanges.h"

#include "states/FileAction.h"
#include "tools/release/ReleaseBuilder.h"

namespace Release {

namespace {
bool isRemoval(const std::string &type) {
    return Kestrel::fileActionKindOf(type) == Kestrel::FileActionKind::Delete;
}
} // namespace

ReleaseChanges ReleaseChanges::between(const ReleaseContents &release,
                                       const std::optional<PreviousManifest> &previous) {
    ReleaseChanges changes;
    for (const ManifestGroup &group : release.groups)
        for (const ManifestFile &file : group.files) {
            const PreviousEntry *before = nullptr;
            if (previous) {
                const auto found = previous->entries.find(file.name);
                if (found != previous->entries.end() && !isRemoval(found->second.type))
                    before = &found->second;
            }
            if (isRemoval(file.type))
                changes.removed += before ? 1 : 0;
            else if (!before)
                ++changes.added;
            else if (before->md5 == file.md5 && before->type == file.type &&
                     before->args == file.args)
                ++changes.kept;
            else
                ++changes.changed;
        }
    return changes;
}

} // namespace Release
