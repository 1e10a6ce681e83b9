// A response that reads the HTTP status line out of its first header line.
#pragma once

#include "network/Response.h"

#include <cstdint>
#include <string>

namespace KSNetwork {

class HttpResponse : public Response {
public:
    // First word of the status line, such as HTTP/1.1.
    std::string protocol;
    // -1 until a status line has been read; the last status line's code after that.
    std::int32_t statusCode = -1;
    // The remaining words of the status line, each followed by one blank (the line's CR LF stays
    // inside the last word).
    std::string reason;

    // Reads the status line when line opens a header block (the response's first line, or the
    // first after a blank line) and begins with "HTTP"; each one replaces what an earlier block's
    // status line gave, so the final reply decides. Ignores every other line. Throws
    // std::runtime_error for a status code that reads as 0 or a status line of a single word.
    void onHeaderLine(const std::string &line) override;
};

} // namespace KSNetwork
