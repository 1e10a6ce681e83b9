// Names that a Windows installation can hold, whatever system the release is made on.
#pragma once

#include <string>

namespace Release {

// Why name cannot be a file or folder path on Windows in the launcher's code page, or empty when
// it can: bytes outside printable ASCII, any of < > : " | ? *, a component ending in a dot or a
// blank, or a component that is a device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9,
// with or without an extension). Slashes separate components.
std::string portableNameProblem(const std::string &name);

} // namespace Release
