// Scheme parsing, prefixes and default ports.
#include "network/Scheme.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace KSNetwork {

Scheme parseScheme(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (text == "http")
        return Scheme::Http;
    if (text == "https")
        return Scheme::Https;
    if (text == "ftp")
        return Scheme::Ftp;
    if (text == "sftp")
        return Scheme::Sftp;
    throw std::invalid_argument("Invalid Scheme: " + text);
}

const char *schemePrefix(Scheme scheme) {
    switch (scheme) {
    case Scheme::Http:
        return "http://";
    case Scheme::Https:
        return "https://";
    case Scheme::Ftp:
        return "ftp://";
    case Scheme::Sftp:
        return "sftp://";
    }
    return "http://";
}

int defaultPort(Scheme scheme) {
    switch (scheme) {
    case Scheme::Http:
        return 80;
    case Scheme::Https:
        return 443;
    case Scheme::Ftp:
        return 21;
    case Scheme::Sftp:
        return 22;
    }
    return 80;
}

bool isWebAddress(const std::string &text) {
    std::string lower;
    for (const char c : text) {
        // A blank or control character would let the shell read a second word or line.
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f)
            return false;
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    for (const std::string prefix : {"http://", "https://"})
        if (lower.size() > prefix.size() && lower.compare(0, prefix.size(), prefix) == 0 &&
            lower[prefix.size()] != '/')
            return true;
    return false;
}

} // namespace KSNetwork
