// The platform's own message box, shown when no answerer is installed.
#pragma once

#include "platform/MessageBox.h"

namespace Kestrel::Platform {

MessageBoxAnswer showNativeMessageBox(const std::string &text, const std::string &caption,
                                      MessageBoxKind kind);

} // namespace Kestrel::Platform
