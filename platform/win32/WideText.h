// Narrow texts widened for the wide Windows calls.
#pragma once

#include <string>

namespace Kestrel::Platform {

// Widens text byte by byte, as a wide stream widens characters.
inline std::wstring widen(const std::string &text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (const char c : text)
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return wide;
}

} // namespace Kestrel::Platform
