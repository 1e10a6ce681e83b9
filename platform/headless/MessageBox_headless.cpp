// Without a screen, a box is written to the standard error stream and answered at once: OK, or
// Cancel where Retry would repeat the same failure forever.
#include "platform/NativeMessageBox.h"

#include <iostream>

namespace Kestrel::Platform {

MessageBoxAnswer showNativeMessageBox(const std::string &text, const std::string &caption,
                                      MessageBoxKind kind) {
    const bool retryCancel = kind == MessageBoxKind::RetryCancelWarning;
    std::cerr << "[" << caption << "] " << text << (retryCancel ? " [Cancel]" : " [OK]")
              << std::endl;
    return retryCancel ? MessageBoxAnswer::Cancel : MessageBoxAnswer::Ok;
}

} // namespace Kestrel::Platform
