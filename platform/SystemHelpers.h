// Operating-system helpers of the engine: folders, shell launches, file removal, local time.
#pragma once

#include <string>

namespace Cobalt {

// The local time as asctime() writes it: "Sun Sep 16 01:03:52 1973\n".
std::string currentTimeText();

// Makes folder the process's current directory; false when the system refuses.
bool setCurrentDirectory(const std::string &folder);

// Full path of the running executable, read with room for 128 characters first and whole when
// it is longer (so the home folder is never a cut one); empty when the system cannot say.
std::string executablePath();

// The folder of the executable: executablePath() cut before its last backslash, slash or colon.
// Empty when the path holds no separator.
std::string executableFolder();

// The system's temporary-files folder, ending in a separator as the system reports it; empty
// when the system cannot name one.
std::string tempFolder();

// The user's documents folder (created if missing); empty when the system cannot name one.
std::string documentsFolder();

// The all-users application-data folder (created if missing); empty when the system cannot name
// one.
std::string commonAppDataFolder();

// Hands target (an address or a document) to the shell's "open" action. Launch failures are not
// reported: always true.
bool openWithShell(const char *target);

// Starts program through the shell with parameters (may be null), not waiting for it. Always true.
bool runWithShell(const char *program, const char *parameters);

// Removes a file with the C runtime; true when it is gone.
bool removeFile(const char *path);

// Whether the current user has administrator rights.
bool isUserAdmin();

} // namespace Cobalt
