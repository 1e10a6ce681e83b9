// The get area spans the decompressed bytes; std::streambuf's defaults refuse everything else.
#include "io/ZIPStreamBuf.h"

#include <utility>

namespace Cobalt::IO {

ZIPStreamBuf::ZIPStreamBuf(std::vector<char> bytes) : contents(std::move(bytes)) {
    char *begin = contents.data();
    setg(begin, begin, begin + contents.size());
}

ZIPStreamBuf::~ZIPStreamBuf() = default;

} // namespace Cobalt::IO
