// Brings the installed files up to date, group by group, from the server's packages.
#pragma once

#include "app/LauncherState.h"
#include "serialization/InputArchive.h"
#include "states/FileInstaller.h"
#include "states/GroupExamination.h"
#include "ui/ProgressElement.h"
#include "ui/TextElement.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Cobalt::IO {
class FileServer;
class ZIPPackage;
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

    using LauncherState::LauncherState;

    // Starts the examination of the server manifest's groups against the local manifest's
    // version ("Examining . . ." over a running bar).
    void enter() override;
    void leave() override;
    // Binds "fileName", "fileSize", "fileProgress" and "currentState"; always true.
    bool load(Cobalt::InputArchive &archive) override;
    // One step: examine one group, download one package into the staging folder as it arrives
    // (or, called back from inside that download, show its progress), carry out one file action,
    // or finish. A group's staged package is mounted for its first action and unmounted and
    // removed after its last. Finishing goes to "StartGame" and commits the downloaded manifest
    // only when every action succeeded; otherwise the player is told which files keep their old
    // version, and the next run plans them again. A file that cannot be replaced asks Retry or
    // Cancel; Cancel ends the launcher at that file. Download failures propagate and leave the
    // step to be tried again.
    void update(float time, float elapsed) override;

    UpdatePhase getPhase() const { return phase; }

    // Set for "-f"/"-full": compare every file by its digest instead of by version.
    bool fullCheck = false;
    // Starts the programs of "exec" entries; the shell's "open" when empty.
    FileInstaller::ProgramStarter programStarter;

private:
    struct PlannedGroup {
        GroupPlan plan;
        bool stored = false; // its package is staged, complete, and may be mounted
        Cobalt::IO::ZIPPackage *package = nullptr; // the package while it is mounted
    };

    void examine();
    void startDownloads();
    void download();
    // Downloads plan's package into the staging folder and, when releases are verified, checks
    // its SHA-256: whether it is stored whole and may be mounted.
    bool storePackage(const GroupPlan &plan, KSNetwork::KSConnector &connector);
    void showDownloadProgress(std::uint32_t received);
    void startExtraction();
    // The counter and the bar after an action, "(done/total)" and done of total.
    void showActionsDone();
    void extract();
    bool carryOut(const FileAction &action, Cobalt::IO::ZIPPackage *package);
    Cobalt::IO::ZIPPackage *mountedPackage(PlannedGroup &group);
    void dropPackage(PlannedGroup &group);
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
    UpdatePhase phase = UpdatePhase::Examine;
    // Whether the staging folder could be made; nothing is downloaded without it.
    bool stagingReady = false;
    // Carries out the actions of the Extract phase, one installer for the whole run.
    std::unique_ptr<FileInstaller> installer;
    // What went wrong with the actions that failed, in order.
    std::vector<std::string> failures;
};

} // namespace Kestrel
