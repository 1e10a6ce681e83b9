// Version numbers by formatted stream extraction, as the release tools have always written them.
#include "states/ManifestVersion.h"

#include "serialization/InputArchive.h"

#include <algorithm>
#include <limits>
#include <sstream>

namespace Kestrel {

namespace {
constexpr std::int64_t Smallest = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t Largest = std::numeric_limits<std::int32_t>::max();
} // namespace

std::int32_t parseManifestVersion(const std::string &text) {
    std::istringstream in(text);
    std::int64_t major = 0;
    // A failed extraction stores 0, an overflowing one the type's limit; both set fail.
    if (!(in >> major) && major == 0)
        return 0;
    std::int64_t minor = 0;
    if (text.find('.') != std::string::npos) {
        in.get();
        if (!(in >> minor))
            minor = 0;
    }
    // Clamped first so that the product cannot overflow even 64 bits.
    major = std::clamp(major, Smallest / 100 - 1, Largest / 100 + 1);
    return static_cast<std::int32_t>(std::clamp(major * 100 + minor % 100, Smallest, Largest));
}

std::int32_t readManifestVersion(Cobalt::InputArchive *archive) {
    return parseManifestVersion(readManifestVersionText(archive));
}

std::string readManifestVersionText(Cobalt::InputArchive *archive) {
    if (!archive || !archive->enter("manifest"))
        return std::string();
    std::string version = Cobalt::attributeText(*archive, "version");
    archive->leave();
    return version;
}

} // namespace Kestrel
