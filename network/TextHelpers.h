// Text helpers of the server protocol: splitting, trimming, percent-encoding, decimal values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace KSNetwork {

// The pieces of text between occurrences of any character of delimiters. Consecutive delimiters
// give empty pieces, a trailing delimiter a final empty piece, an empty text one empty piece.
std::vector<std::string> splitString(const std::string &text, const std::string &delimiters);

// text without blanks, tabs, LF and CR at its start and end; inner characters are kept.
std::string trimWhitespace(const std::string &text);

// text with each of the 25 characters that are unsafe in a query value replaced by "%" and its
// code in two lower-case hexadecimal digits; every other byte is copied unchanged.
std::string urlEncode(const std::string &text);

// The C library's decimal reading of text: leading blanks, an optional sign, the leading digits;
// 0 without digits. Values beyond the 32-bit range are clamped to it.
std::int32_t decimalValue(const std::string &text);

} // namespace KSNetwork
