// Carries out one planned file action so that a failure never costs the player a working file.
#pragma once

#include "states/FileAction.h"

#include <cstddef>
#include <functional>
#include <string>

namespace Cobalt::IO {
class FileServer;
class StagedFile;
class ZIPEntryReader;
class ZIPPackage;
} // namespace Cobalt::IO

namespace Kestrel {

enum class InstallOutcome {
    Done,        // carried out, or nothing was needed (a restore-only file that is present)
    Unreadable,  // the package has no intact entry for the name; the disk was not touched
    WriteFailed, // the new bytes could not be written for the file; the file is unchanged
    NotReplaced, // the file on disk could not be replaced or removed (in use, no permission)
    Refused,     // the name leads outside the installation (isSafeInstallName, or a folder on
                 // its way is a link); nothing touched
    Mismatched,  // the entry's bytes are not those the manifest's "md5" names; file unchanged
};

struct InstallResult {
    InstallOutcome outcome = InstallOutcome::Done;
    std::string name; // the action's name

    bool succeeded() const { return outcome == InstallOutcome::Done; }
    // What the player is told about a failure, naming the file; empty for Done. NotReplaced and
    // Mismatched give "Could not update the local file <name>.", the text of the Retry/Cancel box
    // that only NotReplaced brings up (retrying cannot change the package's bytes).
    std::string message() const;
};

class FileInstaller {
public:
    // Starts an "exec" program: its operating-system path and its parameters.
    using ProgramStarter = std::function<void(const std::string &path, const std::string &args)>;

    // Size of the pieces in which an entry goes from the package to its new file.
    static constexpr std::size_t ChunkSize = 64 * 1024;

    // Writes through files (to disk); starter runs Execute programs, the shell's "open" unless
    // given. files must outlive the installer, and its staging folder must be prepared.
    explicit FileInstaller(Cobalt::IO::FileServer &files, ProgramStarter starter = {});

    // Carries out action. package is the group's mounted package (null when the group has none);
    // entries are read from it alone, never from the disk.
    // Replace, Execute and RestoreOnly (only while the file is missing on disk) stream the entry
    // in pieces of ChunkSize into a new file of the staging folder, checking its CRC-32 and,
    // when the action has an "md5", its MD5 digest on the way (a mismatch is logged with both
    // digests); only when the whole entry checked out is the file flushed and moved over the
    // name in one step. On any failure the installed file is as it was and no staged file
    // remains. Execute then makes the program runnable and starts it, only when it was installed.
    // Folder creates the folders of the name; Delete removes the disk file (a link itself) when
    // it exists. A name that isSafeInstallName refuses, or below a folder that is a link, is
    // Refused before anything is read or written. Never throws for these failures.
    InstallResult carryOut(const FileAction &action, Cobalt::IO::ZIPPackage *package);

private:
    InstallOutcome install(const FileAction &action, Cobalt::IO::ZIPPackage *package);
    // Streams entry into copy, checking it on the way.
    InstallOutcome copyChecked(Cobalt::IO::ZIPEntryReader &entry, Cobalt::IO::StagedFile &copy,
                               const FileAction &action);
    InstallOutcome makeFolder(const std::string &name);
    InstallOutcome removeFromDisk(const std::string &name);

    Cobalt::IO::FileServer &files;
    ProgramStarter starter;
    // Numbers the staged new files, so that each has a name of its own.
    unsigned staged = 0;
};

} // namespace Kestrel
