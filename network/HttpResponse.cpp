// The HTTP status-line parser.
#include "network/HttpResponse.h"

#include "network/TextHelpers.h"

#include <stdexcept>

namespace KSNetwork {

void HttpResponse::onHeaderLine(const std::string &line) {
    if (headers.size() != 1 || line.compare(0, 4, "HTTP") != 0)
        return;
    const std::vector<std::string> pieces = splitString(line, " ");
    if (pieces.size() < 2)
        throw std::runtime_error("Error: Invalid http response header: \n" + line + "\n");
    protocol = pieces[0];
    const std::int32_t code = decimalValue(pieces[1]);
    if (code == 0)
        throw std::runtime_error("Error: Invalid http response code " + pieces[1] + "\n");
    statusCode = code;
    for (std::size_t i = 2; i < pieces.size(); ++i)
        reason += pieces[i] + " ";
}

} // namespace KSNetwork
