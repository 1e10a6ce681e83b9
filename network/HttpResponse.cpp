// The HTTP status-line parser.
#include "network/HttpResponse.h"

#include "network/TextHelpers.h"

#include <stdexcept>

namespace KSNetwork {

namespace {
bool isBlankLine(const std::string &line) { return line == "\r\n" || line == "\n"; }
} // namespace

// libcurl hands over the header block of every response it reads, interim ones ("100 Continue")
// and a proxy's ("200 Connection established") included, each block ended by a blank line. The
// reply that counts is the last one, so every block's status line starts the status afresh.
void HttpResponse::onHeaderLine(const std::string &line) {
    const bool opensBlock =
        headers.size() == 1 || (headers.size() > 1 && isBlankLine(headers[headers.size() - 2]));
    if (!opensBlock || line.compare(0, 4, "HTTP") != 0)
        return;
    const std::vector<std::string> pieces = splitString(line, " ");
    if (pieces.size() < 2)
        throw std::runtime_error("Error: Invalid http response header: \n" + line + "\n");
    const std::int32_t code = decimalValue(pieces[1]);
    if (code == 0)
        throw std::runtime_error("Error: Invalid http response code " + pieces[1] + "\n");
    protocol = pieces[0];
    statusCode = code;
    reason.clear();
    for (std::size_t i = 2; i < pieces.size(); ++i)
        reason += pieces[i] + " ";
}

} // namespace KSNetwork
