// The real Windows message box, without owner window.
#include "platform/NativeMessageBox.h"

#include "platform/win32/WideText.h"

#include <windows.h>

namespace Kestrel::Platform {

namespace {

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
