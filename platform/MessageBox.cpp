// Message boxes go to the installed answerer, or to the platform's own box.
#include "platform/MessageBox.h"

#include "platform/NativeMessageBox.h"

#include <utility>

namespace Kestrel::Platform {

namespace {

MessageBoxAnswerer &installedAnswerer() {
    static MessageBoxAnswerer answerer;
    return answerer;
}

} // namespace

MessageBoxAnswer showMessageBox(const std::string &text, const std::string &caption,
                                MessageBoxKind kind) {
    // A copy, so an answerer that installs another one is not destroyed while it runs.
    const MessageBoxAnswerer answerer = installedAnswerer();
    if (answerer)
        return answerer(text, caption, kind);
    return showNativeMessageBox(text, caption, kind);
}

MessageBoxAnswerer setMessageBoxAnswerer(MessageBoxAnswerer answerer) {
    return std::exchange(installedAnswerer(), std::move(answerer));
}

} // namespace Kestrel::Platform
