// Text helpers of the server protocol.
#include "network/TextHelpers.h"

#include "app/DecimalText.h"

namespace KSNetwork {

namespace {
const char *const Whitespace = " \t\n\r";
const std::string UnsafeCharacters = " <>#\"%{}|\\^[]~`$&+,/:;=?@";
} // namespace

std::vector<std::string> splitString(const std::string &text, const std::string &delimiters) {
    std::vector<std::string> pieces;
    std::string::size_type start = 0;
    std::string::size_type found = text.find_first_of(delimiters);
    while (found != std::string::npos) {
        pieces.push_back(text.substr(start, found - start));
        start = found + 1;
        found = text.find_first_of(delimiters, start);
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

std::string trimWhitespace(const std::string &text) {
    const std::string::size_type first = text.find_first_not_of(Whitespace);
    if (first == std::string::npos)
        return std::string();
    const std::string::size_type last = text.find_last_not_of(Whitespace);
    return text.substr(first, last - first + 1);
}

std::string urlEncode(const std::string &text) {
    static const char HexDigits[] = "0123456789abcdef";
    std::string encoded;
    encoded.reserve(text.size());
    for (const char c : text) {
        if (UnsafeCharacters.find(c) == std::string::npos) {
            encoded += c;
            continue;
        }
        const unsigned char code = static_cast<unsigned char>(c);
        encoded += '%';
        encoded += HexDigits[code >> 4];
        encoded += HexDigits[code & 0x0f];
    }
    return encoded;
}

std::int32_t decimalValue(const std::string &text) { return Cobalt::atoiSaturated(text.c_str()); }

} // namespace KSNetwork
