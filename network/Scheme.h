// The transfer schemes the connector understands, and the parser of a URL's scheme text.
#pragma once

#include <string>

namespace KSNetwork {

enum class Scheme { Http = 0, Https = 1, Ftp = 2, Sftp = 3 };

// Maps "http", "https", "ftp" or "sftp" in any letter case to its scheme. Throws
// std::invalid_argument "Invalid Scheme: " + the lower-cased text for anything else.
Scheme parseScheme(std::string text);

// The URL prefix of a scheme: "http://", "https://", "ftp://" or "sftp://".
const char *schemePrefix(Scheme scheme);

// Whether text is an address a browser may be handed: "http://" or "https://" (any letter
// case) and a host, with no blank or control character anywhere. A local program, a "file:"
// address or a network share is not.
bool isWebAddress(const std::string &text);

// The port a URL of the scheme means when it names none: 80, 443, 21 or 22.
int defaultPort(Scheme scheme);

} // namespace KSNetwork
