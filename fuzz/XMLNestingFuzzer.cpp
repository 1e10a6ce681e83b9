// Differential fuzz target: the depth guard against the tree TinyXML actually builds from the same
// bytes, read in the same encoding and white-space mode as the input archive reads them.
#include "serialization/XMLEncoding.h"
#include "serialization/XMLNesting.h"

#include <tinyxml.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Small, so that a guard that misjudges shows long before TinyXML's recursion could hurt.
constexpr std::size_t Limit = 8;

struct Depths {
    std::size_t deepest = 0;     // deepest element
    std::size_t deepestOpen = 0; // deepest element TinyXML read content for (has a child)
};

void measure(const TiXmlNode &node, std::size_t depth, Depths &depths) {
    for (const TiXmlNode *child = node.FirstChild(); child; child = child->NextSibling()) {
        if (!child->ToElement())
            continue;
        depths.deepest = std::max(depths.deepest, depth);
        if (child->FirstChild())
            depths.deepestOpen = std::max(depths.deepestOpen, depth);
        measure(*child, depth + 1, depths);
    }
}

[[noreturn]] void mismatch(const char *what, std::size_t guard, const Depths &depths) {
    std::fprintf(stderr,
                 "depth guard disagrees with TinyXML: %s (guard %zu, deepest %zu, "
                 "deepest with content %zu)\n",
                 what, guard, depths.deepest, depths.deepestOpen);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // Padded as the input archive pads a file before parsing it.
    std::vector<char> text(data, data + size);
    text.insert(text.end(), {'\n', 0, 0, 0, 0});
    TiXmlBase::SetCondenseWhiteSpace(false);
    const std::size_t guard = Cobalt::findElementBeyond(text.data(), Limit);

    TiXmlDocument document;
    document.Parse(text.data(), nullptr, Cobalt::documentEncoding(text.data()));
    Depths depths;
    measure(document, 1, depths);
    // An element one level too deep may exist only without content (empty, or cut short).
    if (guard == Cobalt::NestingWithinLimit &&
        (depths.deepest > Limit + 1 || depths.deepestOpen > Limit))
        mismatch("passed a document that is too deep", guard, depths);
    if (guard != Cobalt::NestingWithinLimit && depths.deepest <= Limit)
        mismatch("refused a document within the limit", guard, depths);
    return 0;
}
