// Group and file examination over the manifest archive and the file server.
#include "states/GroupExamination.h"

#include "app/DecimalText.h"
#include "app/Log.h"
#include "app/Md5.h"
#include "io/FileServer.h"
#include "io/Win32FileSystem.h"
#include "serialization/InputArchive.h"
#include "states/InstallName.h"
#include "states/ManifestVersion.h"

#include <algorithm>

namespace Kestrel {

namespace {
using Cobalt::attributeText;

bool differsFromDisk(Cobalt::InputArchive &manifest, Cobalt::IO::FileServer &files,
                     const std::string &name) {
    std::vector<char> bytes;
    // A missing file does not read; an empty one reads as no bytes, whose digest is empty.
    if (!files.readFile(name, bytes))
        return true;
    return Cobalt::md5Hex(bytes) != attributeText(manifest, "md5");
}

bool shouldPlan(FileActionKind kind, Cobalt::IO::FileServer &files, const std::string &name) {
    switch (kind) {
    case FileActionKind::RestoreOnly:
        return !files.exists(name);
    case FileActionKind::Delete:
        // A package of the group may be mounted: only the disk copy is to be removed.
        return files.getRootFileSystem()->exists(name);
    default:
        return true;
    }
}

// Whether the current "file" element is out of date. In the full check removals and folders have
// no content to compare: whether they are there decides (shouldPlan).
bool isOutOfDate(Cobalt::InputArchive &manifest, FileActionKind kind, std::int32_t localVersion,
                 bool fullCheck, Cobalt::IO::FileServer &files, const std::string &name) {
    if (!fullCheck)
        return parseManifestVersion(attributeText(manifest, "ver")) > localVersion;
    return kind == FileActionKind::Delete || kind == FileActionKind::Folder ||
           differsFromDisk(manifest, files, name);
}

// The action for the current "file" element when it is to be planned.
std::optional<FileAction> plannedAction(Cobalt::InputArchive &manifest, std::int32_t localVersion,
                                        bool fullCheck, Cobalt::IO::FileServer &files) {
    FileAction action;
    action.name = attributeText(manifest, "name");
    if (!isSafeInstallName(action.name)) {
        Cobalt::Log::instance().message(
            "Skipped manifest entry \"%s\": it names a file outside the installation",
            action.name.c_str());
        return std::nullopt;
    }
    const auto kind = fileActionKindOf(attributeText(manifest, "type"));
    if (!kind || !isOutOfDate(manifest, *kind, localVersion, fullCheck, files, action.name) ||
        !shouldPlan(*kind, files, action.name))
        return std::nullopt;
    action.kind = *kind;
    if (action.kind == FileActionKind::Execute)
        action.args = attributeText(manifest, "args");
    if (takesBytes(action.kind))
        action.md5 = attributeText(manifest, "md5");
    return action;
}
} // namespace

bool GroupPlan::needsPackage() const {
    return std::any_of(actions.begin(), actions.end(),
                       [](const FileAction &action) { return takesBytes(action.kind); });
}

GroupPlan examineGroup(Cobalt::InputArchive &manifest, std::int32_t localVersion, bool fullCheck,
                       Cobalt::IO::FileServer &files) {
    GroupPlan plan;
    plan.name = attributeText(manifest, "name");
    if (!fullCheck && parseManifestVersion(attributeText(manifest, "ver")) <= localVersion)
        return plan;
    // The last, unsuccessful step leaves the group current again.
    for (Cobalt::NodeHandle file = manifest.nextElement(nullptr, "file"); file;
         file = manifest.nextElement(file, "file"))
        if (auto action = plannedAction(manifest, localVersion, fullCheck, files))
            plan.actions.push_back(std::move(*action));
    if (!plan.actions.empty()) {
        plan.packagePath = attributeText(manifest, "path");
        plan.packageSize = Cobalt::atoiSaturated(attributeText(manifest, "size").c_str());
        plan.packageSha256 = attributeText(manifest, "sha256");
    }
    return plan;
}

} // namespace Kestrel
