// The previous manifest through the launcher's XML archive, walked as the launcher walks it.
#include "tools/release/PreviousManifest.h"

#include "io/FileStream.h"
#include "io/OpenMode.h"
#include "serialization/XMLInputArchive.h"
#include "tools/release/ReleaseError.h"

namespace Release {

using Cobalt::attributeText;

PreviousManifest PreviousManifest::read(const std::string &path) {
    Cobalt::XMLInputArchive archive(
        std::make_unique<Cobalt::IO::FileStream>(path, Cobalt::IO::In | Cobalt::IO::Binary));
    if (!archive.load() || !archive.enter("manifest"))
        throw ReleaseError("the previous manifest " + path + " does not read as a manifest");
    PreviousManifest manifest;
    manifest.version = attributeText(archive, "version");
    for (auto group = archive.nextElement(nullptr, "group"); group;
         group = archive.nextElement(group, "group"))
        for (auto file = archive.nextElement(nullptr, "file"); file;
             file = archive.nextElement(file, "file"))
            manifest.entries.emplace(
                attributeText(archive, "name"),
                PreviousEntry{attributeText(archive, "ver"), attributeText(archive, "md5"),
                              attributeText(archive, "type"), attributeText(archive, "args")});
    return manifest;
}

} // namespace Release
