// The real Windows message box, without owner window.
#include "platform/NativeMessageBox.h"

#include <windows.h>

namespace Kestrel::Platform {

namespace {

// Narrow texts are widened byte by byte, as a wide stream widens characters.
std::wstring widen(const std::string &text) {
    std::wstring wide;
    wide.reserve(text.size());
    for (const char c : text)
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return wide;
}

UINT boxType(MessageBoxKind kind) {
    switch (kind) {
    case MessageBoxKind::OkExclamation:
        return MB_OK | MB_ICONEXCLAMATION;
    case MessageBoxKind::RetryCancelWarning:
        return MB_RETRYCANCEL | MB_ICONWARNING;
    case MessageBoxKind::OkPlain:
        break;
    }
    return MB_OK;
}

} // namespace

MessageBoxAnswer showNativeMessageBox(const std::string &text, const std::string &caption,
                                      MessageBoxKind kind) {
    switch (MessageBoxW(nullptr, widen(text).c_str(), widen(caption).c_str(), boxType(kind))) {
    case IDRETRY:
        return MessageBoxAnswer::Retry;
    case IDOK:
        return MessageBoxAnswer::Ok;
    default:
        // Cancel, or a box that could not be shown: never an endless retry.
        return kind == MessageBoxKind::RetryCancelWarning ? MessageBoxAnswer::Cancel
                                                          : MessageBoxAnswer::Ok;
    }
}

} // namespace Kestrel::Platform
