// Counting removable line ends over a stream, looking only at each chunk's tail.
#include "network/TrailingLineEnds.h"

namespace KSNetwork {

namespace {
bool isLineEndByte(char c) { return c == '\n' || c == '\r'; }
} // namespace

void TrailingLineEnds::add(const char *data, std::size_t size) {
    // Only the run of CR and LF bytes at the chunk's end can matter; a byte before it resets.
    std::size_t start = size;
    while (start > 0 && isLineEndByte(data[start - 1]))
        --start;
    if (start > 0) {
        count = 0;
        endsWithReturn = false;
    }
    for (std::size_t index = start; index < size; ++index)
        addLineEndByte(data[index]);
}

void TrailingLineEnds::addLineEndByte(char c) {
    if (c == '\r') {
        countBeforeReturn = count;
        count = 0;
        endsWithReturn = true;
        return;
    }
    count = 1 + (endsWithReturn ? 1 + countBeforeReturn : count);
    endsWithReturn = false;
}

} // namespace KSNetwork
