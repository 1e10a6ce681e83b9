// Version texts of the update manifest and the numbers they are compared by.
#pragma once

#include <cstdint>
#include <string>

namespace Cobalt {
class InputArchive;
}

namespace Kestrel {

// The number of a version text: major x 100 + (minor remainder 100), where major is the integer
// the text begins with and minor the integer one character after it, read only when the text holds
// a point anywhere ("3" gives 300, "1.5" and "1.05" give 105, "1.123" gives 123). A text that does
// not begin with an integer gives 0; a minor part that does not begin with one counts as 0.
// Numbers beyond the 32-bit range saturate, so a larger version never compares smaller.
std::int32_t parseManifestVersion(const std::string &text);

// The number of the "version" of the archive's "manifest" element; 0 when archive is null or has
// no such element. The archive's current element is the same before and after.
std::int32_t readManifestVersion(Cobalt::InputArchive *archive);

// The text of that "version", as the release named it; empty in the same cases.
std::string readManifestVersionText(Cobalt::InputArchive *archive);

} // namespace Kestrel
