// Depth check run before TinyXML parses a document: TinyXML recurses once per element level.
#pragma once

#include <cstddef>
#include <limits>

namespace Cobalt {

// Deepest element nesting a document may have. Real launcher files nest fewer than ten levels.
// TinyXML takes about 160 bytes of stack per level in the 32-bit build (parsing, printing,
// copying), so 256 levels stay near 40 KiB, far inside a Windows main thread's 1 MiB.
constexpr std::size_t MaximumXMLNesting = 256;

constexpr std::size_t NestingWithinLimit = std::numeric_limits<std::size_t>::max();

// Walks text (zero-terminated, padded as for TinyXML) the way TinyXML's parser would, without
// recursion, in the document's encoding (documentEncoding) and the current white-space setting. Returns the offset of the '<' that opens an
// element at level limit + 1, or NestingWithinLimit when no element gets that deep before the
// document ends or TinyXML would stop at an error.
std::size_t findElementBeyond(const char *text, std::size_t limit);

} // namespace Cobalt
