// Fuzz target: the server address and the protocol's text helpers. Checks what each promises:
// pieces that join back into the text, trimming that only removes blanks and line ends at the
// ends, percent-encoding that decodes back, and a parsed URL whose parts come from the text.
#include "network/KSConnectorImpl.h"
#include "network/TextHelpers.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

void checkSplit(const std::string &text, char delimiter) {
    const auto pieces = KSNetwork::splitString(text, std::string(1, delimiter));
    std::string joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        check(pieces[i].find(delimiter) == std::string::npos);
        joined += (i ? std::string(1, delimiter) : std::string()) + pieces[i];
    }
    check(joined == text);
}

bool isTrimmed(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

void checkTrim(const std::string &text) {
    const std::string trimmed = KSNetwork::trimWhitespace(text);
    check(text.find(trimmed) != std::string::npos);
    check(trimmed.empty() || (!isTrimmed(trimmed.front()) && !isTrimmed(trimmed.back())));
    for (const char c : text.substr(0, text.find(trimmed)))
        check(isTrimmed(c));
}

void checkEncoding(const std::string &text) {
    const std::string encoded = KSNetwork::urlEncode(text);
    std::string decoded;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%') {
            check(i + 2 < encoded.size());
            decoded += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            check(std::string(" <>#\"{}|\\^[]~`$&+,/:;=?@").find(encoded[i]) == std::string::npos);
            decoded += encoded[i];
        }
    }
    check(decoded == text);
}

void checkUrl(const std::string &url) {
    try {
        const KSNetwork::KSConnectorImpl connector(url);
        check(connector.getPath().front() == '/');
        check(connector.getHost().find('/') == std::string::npos);
        check(connector.getPort() != 0);
        check(url.find(connector.getHost()) != std::string::npos);
    } catch (const std::invalid_argument &) {
    } catch (const std::runtime_error &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
    checkSplit(text, static_cast<char>(data[0]));
    checkTrim(text);
    checkEncoding(text);
    checkUrl(text);
    return 0;
}
