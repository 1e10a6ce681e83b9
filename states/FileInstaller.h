// Carries out planned file actions so that a failure never costs the player a working file: each
// new file is written and checked beside the installation, and moved over its name in batches
// only once it is on the device.
#pragma once

#include "states/FileAction.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

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
    FileActionKind kind = FileActionKind::Replace; // the action's kind

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
    // Written copies wait in a batch until it holds this many files or bytes: each batch costs
    // one wait for the device instead of one per file, and its files stay open until then.
    static constexpr std::size_t BatchFiles = 128;
    static constexpr std::uint64_t BatchBytes = 32 * 1024 * 1024;

    // Writes through files (to disk); starter runs Execute programs, the shell's "open" unless
    // given. files must outlive the installer, and its staging folder must be prepared.
    explicit FileInstaller(Cobalt::IO::FileServer &files, ProgramStarter starter = {});
    // Removes the copies still waiting (discardWaiting).
    ~FileInstaller();
    FileInstaller(const FileInstaller &) = delete;
    FileInstaller &operator=(const FileInstaller &) = delete;

    // Starts action. package is the group's mounted package (null when the group has none);
    // entries are read from it alone, never from the disk. A name that isSafeInstallName
    // refuses, or below a folder that is a link, is Refused before anything is read or written.
    // Folder creates the folders of the name; Delete removes the disk file (a link itself) when
    // it exists; a RestoreOnly file present on disk needs nothing: these are over at once and
    // their result is returned. Replace, Execute and a missing RestoreOnly file open the entry
    // and a new file of the staging folder and return nothing: copyMore goes on with them.
    std::optional<InstallResult> start(const FileAction &action, Cobalt::IO::ZIPPackage *package);
    // Whether a started file is still being copied.
    bool copying() const { return current != nullptr; }
    // Copies the next piece (ChunkSize) of the file under way, checking its CRC-32 and, when the
    // action has an "md5", its MD5 digest on the way (a mismatch is logged with both digests).
    // Once the entry is through, a copy that checked out joins the batch and nothing is
    // returned (commitStep ends its action); a failure is returned, its copy removed.
    std::optional<InstallResult> copyMore();

    // Whether copies wait in the batch.
    bool hasWaiting() const { return !written.empty() || !landed.empty() || !flushed.empty(); }
    // Whether the batch must be moved into place before anything else: it is full, its last
    // copy is a program to start, or its move has begun.
    bool commitDue() const;
    // One step of moving the batch into place, in the order it was written: the bytes of each
    // copy are waited for, one copy per step; then each copy is flushed to the device and
    // closed, one per step (the first commits the records of all); then each is moved over its
    // name, one per step. Returns the result of the action a step ended: WriteFailed when the flush failed
    // (copy removed), Done when it was moved (an Execute program is then made runnable and
    // started), NotReplaced when the name could not be replaced (the copy stays first in line
    // and the next step tries it again); nothing when the step ended no action.
    std::optional<InstallResult> commitStep();
    // Removes the copies still waiting, the one under way too; their files keep their old bytes.
    void discardWaiting();
    // Flushes one of the folders whose entries changed since, so that their moves and removals
    // survive a power cut; false when none is left. Every file is durable once this is false.
    bool flushNextFolder();

private:
    struct Copy {
        FileAction action;
        std::string pending; // its file in the staging folder
        std::unique_ptr<Cobalt::IO::StagedFile> file;
    };
    struct CopyUnderWay;

    // Ends the copy under way: checks the entry's end and digest, and hands it to the batch.
    std::optional<InstallResult> endCopy();
    std::optional<InstallResult> landNext();
    std::optional<InstallResult> flushNext();
    std::optional<InstallResult> moveNext();
    void removeCopy(Copy &copy);
    InstallResult resultOf(const FileAction &action, InstallOutcome outcome) const;
    InstallOutcome makeFolder(const std::string &name);
    InstallOutcome removeFromDisk(const std::string &name);
    // Notes the folder of name as one to flush.
    void touched(const std::string &name);

    Cobalt::IO::FileServer &files;
    ProgramStarter starter;
    // Numbers the staged new files, so that each has a name of its own.
    unsigned staged = 0;
    std::unique_ptr<CopyUnderWay> current;
    std::deque<Copy> written; // complete and checked, open, handed on to the device
    std::deque<Copy> landed;  // their bytes on the device, their records not yet
    std::deque<Copy> flushed; // on the device and closed, waiting to move over their names
    std::uint64_t batchBytes = 0;
    std::set<std::string> foldersToFlush;
    std::vector<char> chunk;
};

} // namespace Kestrel
