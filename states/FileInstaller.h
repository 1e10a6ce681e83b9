// Carries out one planned file action so that a failure never costs the player a working file.
#pragma once

#include "states/FileAction.h"

#include <functional>
#include <string>

namespace Cobalt::IO {
class FileServer;
class FileSystem;
} // namespace Cobalt::IO

namespace Kestrel {

enum class InstallOutcome {
    Done,        // carried out, or nothing was needed (a restore-only file that is present)
    Unreadable,  // the package has no intact entry for the name; the disk was not touched
    WriteFailed, // the new bytes could not be written beside the file; the file is unchanged
    NotReplaced, // the file on disk could not be replaced or removed (in use, no permission)
    Refused,     // the name leads outside the installation (isSafeInstallName); nothing touched
};

struct InstallResult {
    InstallOutcome outcome = InstallOutcome::Done;
    std::string name; // the action's name

    bool succeeded() const { return outcome == InstallOutcome::Done; }
    // What the player is told about a failure, naming the file; empty for Done. NotReplaced
    // gives "Could not update the local file <name>.", the text of the Retry/Cancel box.
    std::string message() const;
};

class FileInstaller {
public:
    // Starts an "exec" program: its operating-system path and its parameters.
    using ProgramStarter = std::function<void(const std::string &path, const std::string &args)>;

    // Suffix of the file that holds the new bytes beside their target until they are complete.
    static constexpr const char *PendingSuffix = ".updating";

    // Writes through files (to disk); starter runs Execute programs, the shell's "open" unless
    // given. files must outlive the installer.
    explicit FileInstaller(Cobalt::IO::FileServer &files, ProgramStarter starter = {});

    // Carries out action. package is the group's mounted package (null when the group has none);
    // entries are read from it alone, CRC-checked by the package, never from the disk.
    // Replace, Execute and RestoreOnly (only while the file is missing on disk) read the whole
    // entry first, write it to the name plus PendingSuffix (overwriting a leftover), flush it and
    // move it over the name in one step; on any failure the installed file is as it was and no
    // pending file remains. Execute then makes the program runnable and starts it, only when it
    // was installed.
    // Folder creates the folders of the name; Delete removes the disk file when it exists.
    // A name that isSafeInstallName refuses is Refused before anything is read or written.
    // Never throws for these failures.
    InstallResult carryOut(const FileAction &action, Cobalt::IO::FileSystem *package);

private:
    InstallOutcome install(const std::string &name, Cobalt::IO::FileSystem *package);
    InstallOutcome makeFolder(const std::string &name);
    InstallOutcome removeFromDisk(const std::string &name);

    Cobalt::IO::FileServer &files;
    ProgramStarter starter;
};

} // namespace Kestrel
