// Brings the installed files up to date, group by group, from the server's packages.
#pragma once

#include "app/FrameTimer.h"
#include "app/LauncherState.h"
#include "io/ZIPPackage.h"
#include "serialization/InputArchive.h"
#include "states/FileInstaller.h"
#include "states/GroupExamination.h"
#include "ui/ProgressElement.h"
#include "ui/TextElement.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Cobalt::IO {
class FileServer;
} // namespace Cobalt::IO

namespace KSNetwork {
class KSConnector;
}

namespace Kestrel {

enum class UpdatePhase { Examine = 0, Download = 1, Extract = 2, Finish = 3 };

class GroupUpdateState : public LauncherState {
public:
    static constexpr const char *ExaminingText = "Examining . . .";
    static constexpr const char *DownloadingText = "Downloading . . .";
    static constexpr const char *ExtractingText = "Extracting . . .";
    // Caption of the Retry/Cancel box for a file that cannot be replaced.
    static constexpr const char *ErrorCaption = "Error";
    // At most this many files are named in the box that ends an incomplete update.
    static constexpr std::size_t NamedFailures = 10;
    // Seconds of file work per update in the Extract phase: well under a frame of the window,
    // so that it repaints as often as when each update did one action.
    static constexpr double ExtractBudget = 0.008;

    // A package's directory is read this many entries per step (each may read a header from
    // the disk), and a package is freed this many bytes per step after its group: either whole
    // could hold one update for a long time.
    static constexpr std::size_t DirectoryPiece = 64;
    static constexpr std::uint64_t PackagePiece = 16 * 1024 * 1024;

    using LauncherState::LauncherState;

    // Starts the examination of the server manifest's groups against the local manifest's
    // version ("Examining . . ." over a running bar).
    void enter() override;
    void leave() override;
    // Binds "fileName", "fileSize", "fileProgress" and "currentState"; always true.
    bool load(Cobalt::InputArchive &archive) override;
    // One step: examine one group, download one package into the staging folder as it arrives
    // (or, called back from inside that download, show its progress), carry out file actions for
    // the Extract phase's budget of workClock time (at least one step of one: a piece of a file,
    // the flush or the move of one new copy, a piece of a package's directory or of its removal;
    // the display then shows the latest), or finish. A group's staged package is mounted for its
    // first action and unmounted and removed after its last. New copies are moved into place in
    // batches once on the device, and every folder that changed is flushed before the manifest is
    // committed. Finishing goes to "StartGame" and commits the downloaded manifest only when every
    // action succeeded; otherwise the player is told which files keep their old version, and the
    // next run plans them again. A file that cannot be replaced asks Retry or Cancel; Cancel ends
    // the launcher at that file. Download failures propagate and leave the step to be tried again.
    void update(float time, float elapsed) override;
    // Shows text in place of the phase's status until the download goes on.
    void showRetrying(const std::string &text) override;

    UpdatePhase getPhase() const { return phase; }

    // Drops the group's staged package and downloads it whole once more before the Extract
    // phase goes on at the current action. False (nothing done) when the group has no package or
    // was fetched again already: a second damaged copy is the server's, not the network's.
    bool fetchAgain(std::uint32_t group);

    // Set for "-f"/"-full": compare every file by its digest instead of by version.
    bool fullCheck = false;
    // Starts the programs of "exec" entries; the shell's "open" when empty.
    FileInstaller::ProgramStarter programStarter;
    // The clock, in seconds, that the Extract phase's work per update is measured by.
    std::function<double()> workClock = Cobalt::currentTime;

private:
    struct PlannedGroup {
        GroupPlan plan;
        bool stored = false; // its package is staged, complete, and may be mounted
        bool resumed = false; // its staged package was pieced together from several replies
        bool fetchedAgain = false;
        std::uint64_t downloadedBytes = 0; // the package's bytes on disk after its download
        Cobalt::IO::ZIPPackage *package = nullptr; // the package while it is mounted
    };

    void examine();
    void startDownloads();
    void download();
    // Downloads group's package into the staging folder (going on from bytes an earlier attempt
    // kept) and, when releases are verified, checks its SHA-256: whether it is stored whole and
    // may be mounted.
    bool storePackage(PlannedGroup &group, KSNetwork::KSConnector &connector);
    void showDownloadProgress(std::uint32_t received);
    void startExtraction();
    // The counter and the bar after an action, "(done/total)" and done of total, and the name
    // of the latest action.
    void showActionsDone();
    void extract();
    // One step of the Extract phase; false when this update must end (finished, or cancelled).
    bool extractStep();
    // One step of the group under way: a piece of its package's mounting, its next action, or,
    // once they are all started, a piece of its package's removal.
    bool groupStep(PlannedGroup &group);
    // Runs step, and again while its action's file cannot be replaced and the player answers
    // Retry; counts the action that ended. False when the player cancelled.
    bool carryOut(const std::function<std::optional<InstallResult>()> &step);
    bool damagedPackage(const InstallResult &result, const PlannedGroup &group) const;
    void mountPiece(PlannedGroup &group);
    // True once the package is unmounted and gone from the disk.
    bool dropPiece(PlannedGroup &group);
    // Unmounts group's package (its file stays).
    void unmountPackage(PlannedGroup &group);
    void finish();
    void tellIncomplete() const;

    Cobalt::IO::FileServer &files() const;

    TextElement fileNameText;
    TextElement fileSizeText;
    TextElement statusText;
    ProgressElement progressBar;
    std::int32_t localVersion = 0;
    Cobalt::NodeHandle currentGroup = nullptr;
    std::vector<PlannedGroup> groups;
    std::int64_t totalBytes = 0; // 64 bits: the sum of many 32-bit sizes
    std::int64_t bytesDone = 0;
    int barShift = 0; // the bar counts units of 2^barShift bytes
    std::int32_t totalActions = 0;
    std::int32_t actionsDone = 0;
    std::uint32_t groupIndex = 0;
    std::uint32_t actionIndex = 0;
    std::string latestAction; // the name of the action started last
    UpdatePhase phase = UpdatePhase::Examine;
    // Whether the staging folder could be made; nothing is downloaded without it.
    bool stagingReady = false;
    // Set while the Download phase fetches one package again for the Extract phase.
    bool refetching = false;
    // Set while the status shows the retry notice.
    bool retryShown = false;
    // Carries out the actions of the Extract phase, one installer for the whole run.
    std::unique_ptr<FileInstaller> installer;
    // The package whose directory is being read, until it is mounted.
    std::unique_ptr<Cobalt::IO::ZIPPackage> opening;
    // What went wrong with the actions that failed, in order.
    std::vector<std::string> failures;
};

} // namespace Kestrel
