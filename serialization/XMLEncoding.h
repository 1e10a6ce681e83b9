// The encoding a document is read in, decided once from its first bytes.
#pragma once

#include <tinyxml.h>

namespace Cobalt {

// UTF-8 when text (zero-terminated) starts with the UTF-8 byte-order mark or its XML declaration
// names UTF-8 (encoding="UTF-8", any letter case); otherwise the system's legacy code page,
// which is how the launcher writes its own files (the ANSI code page under a declaration that
// names no encoding). Read as UTF-8, a legacy byte such as é would swallow the bytes after it.
TiXmlEncoding documentEncoding(const char *text);

} // namespace Cobalt
