// The group update's four phases in small steps, as many per update as fit in its time, so that
// the window stays alive.
#include "states/GroupUpdateState.h"

#include "app/LaunchObserver.h"
#include "app/LauncherApp.h"
#include "app/Log.h"
#include "io/Exception.h"
#include "io/FileServer.h"
#include "io/OpenMode.h"
#include "io/ResumableFile.h"
#include "network/DigestingSink.h"
#include "network/KSConnector.h"
#include "platform/MessageBox.h"
#include "platform/NativeFile.h"
#include "serialization/XMLInputArchive.h"
#include "states/InstallName.h"
#include "states/ManifestVersion.h"
#include "states/ProgressCounter.h"
#include "states/StagingFolder.h"

#include <limits>
#include <optional>

namespace Kestrel {

namespace {

std::string stagedPackage(const GroupPlan &plan) {
    return StagingFolder::packageCopy(plan.packagePath);
}

// Groups whose actions all do without bytes (folders, removals) and groups without a package
// are not downloaded.
bool downloads(const GroupPlan &plan) { return plan.packageSize > 0 && plan.needsPackage(); }

} // namespace

bool GroupUpdateState::load(Cobalt::InputArchive &archive) {
    WindowElement *root = getApp()->getRootElement();
    loadChildElement(fileNameText, "fileName", archive, root);
    loadChildElement(fileSizeText, "fileSize", archive, root);
    loadChildElement(progressBar, "fileProgress", archive, root);
    loadChildElement(statusText, "currentState", archive, root);
    return LauncherState::load(archive);
}

void GroupUpdateState::enter() {
    statusText.show();
    statusText.setText(ExaminingText);
    progressBar.show();
    fileNameText.hide();
    fileSizeText.hide();
    phase = UpdatePhase::Examine;
    refetching = false;
    retryShown = false;
    groups.clear();
    failures.clear();
    currentGroup = nullptr;
    // The archive stays inside its manifest from here on; nothing else reads it.
    Cobalt::XMLInputArchive *manifest = getApp()->getServerManifest();
    if (manifest && manifest->enter("manifest"))
        currentGroup = manifest->nextElement(nullptr, "group");
    localVersion = readManifestVersion(getApp()->getLocalManifest());
    progressBar.setMarquee(true);
    totalBytes = 0;
    totalActions = 0;
    getApp()->getObserver().updatePhaseStarted(phase, 0);
}

void GroupUpdateState::leave() {
    fileNameText.hide();
    fileSizeText.hide();
    progressBar.hide();
    statusText.hide();
}

void GroupUpdateState::showRetrying(const std::string &text) {
    statusText.setText(text);
    retryShown = true;
}

void GroupUpdateState::update(float, float) {
    switch (phase) {
    case UpdatePhase::Examine:
        examine();
        break;
    case UpdatePhase::Download:
        download();
        break;
    case UpdatePhase::Extract:
        extract();
        break;
    case UpdatePhase::Finish:
        finish();
        break;
    }
}

Cobalt::IO::FileServer &GroupUpdateState::files() const { return *getApp()->getFileServer(); }

void GroupUpdateState::examine() {
    if (!currentGroup) {
        startDownloads();
        return;
    }
    Cobalt::XMLInputArchive &manifest = *getApp()->getServerManifest();
    PlannedGroup group{examineGroup(manifest, localVersion, fullCheck, files())};
    if (!group.plan.actions.empty()) {
        if (group.plan.packageSize > 0 && !isSafeInstallName(group.plan.packagePath)) {
            // Such a path asks the server for a file outside its release; the group's files are
            // reported as unreadable instead.
            Cobalt::Log::instance().message(
                "Skipped the package \"%s\" of group \"%s\": it names a file outside the "
                "release",
                group.plan.packagePath.c_str(), group.plan.name.c_str());
            group.plan.packageSize = 0;
        }
        totalActions += static_cast<std::int32_t>(group.plan.actions.size());
        if (downloads(group.plan))
            totalBytes += group.plan.packageSize;
        groups.push_back(std::move(group));
    }
    currentGroup = manifest.nextElement(currentGroup, "group");
}

void GroupUpdateState::startDownloads() {
    phase = UpdatePhase::Download;
    progressBar.setMarquee(false);
    // The bar counts bytes; sums beyond its 31-bit range are counted in coarser units.
    barShift = 0;
    while ((totalBytes >> barShift) > std::numeric_limits<int>::max())
        ++barShift;
    progressBar.setRange(static_cast<int>(totalBytes >> barShift));
    progressBar.setPosition(0);
    bytesDone = 0;
    groupIndex = 0;
    stagingReady = groups.empty() || StagingFolder(files()).prepare();
    statusText.setText(DownloadingText);
    fileNameText.show();
    fileSizeText.show();
    getApp()->getObserver().updatePhaseStarted(phase, totalBytes);
}

void GroupUpdateState::download() {
    KSNetwork::KSConnector &connector = *getApp()->getConnector();
    // The connector reports a byte count only while its download runs: this is a nested call.
    if (const std::int32_t received = connector.getProgress()) {
        showDownloadProgress(static_cast<std::uint32_t>(received));
        return;
    }
    if (groupIndex >= groups.size()) {
        startExtraction();
        return;
    }
    PlannedGroup &group = groups[groupIndex];
    if (!downloads(group.plan)) {
        ++groupIndex;
        return;
    }
    fileNameText.setText(group.plan.packagePath);
    fileSizeText.setText(
        progressCounter(0, static_cast<std::uint32_t>(group.plan.packageSize) / 1024));
    group.stored = storePackage(group, connector);
    getApp()->getObserver().packageDownloaded(group.downloadedBytes);
    if (refetching) {
        refetching = false;
        phase = UpdatePhase::Extract;
        statusText.setText(ExtractingText);
        progressBar.setRange(totalActions);
        showActionsDone();
        return;
    }
    bytesDone += group.plan.packageSize;
    ++groupIndex;
}

bool GroupUpdateState::storePackage(PlannedGroup &group, KSNetwork::KSConnector &connector) {
    const std::string stagedPath = stagedPackage(group.plan);
    // The bytes go to disk as they arrive, so memory does not grow with the package, and stay
    // there when the transfer stops, so that the next attempt asks only for the rest.
    auto staged =
        stagingReady ? Cobalt::IO::ResumableFile::open(files().resolve(stagedPath)) : nullptr;
    // Hashed as it arrives when it must be checked, so that it need not be read back for that.
    const bool verified = getApp()->getVerifier().isEnabled();
    std::optional<KSNetwork::DigestingSink> digesting;
    if (staged && verified)
        digesting.emplace(*staged);
    // A package that is not stored whole is never mounted, nor an older file of its name.
    const bool stored =
        staged &&
        connector.downloadSiteFile(group.plan.packagePath,
                                   digesting ? static_cast<KSNetwork::DownloadSink &>(*digesting)
                                             : *staged) &&
        staged->close();
    group.resumed = staged && staged->wasResumed();
    group.downloadedBytes = staged ? staged->size() : 0;
    if (!stored) {
        Cobalt::Log::instance().message("Could not save the package %s", stagedPath.c_str());
        return false;
    }
    if (!verified)
        return true;
    // Checked before anything reads it as a ZIP: no byte of a package from elsewhere is parsed.
    // A mismatch is a failed download; the staged bytes go at once.
    const std::string why = ReleaseVerifier::checkPackage(
        files(), stagedPath, group.plan.packageSha256, digesting->digest());
    if (why.empty())
        return true;
    Cobalt::Log::instance().message("The package %s of group \"%s\" was refused: %s",
                                    group.plan.packagePath.c_str(), group.plan.name.c_str(),
                                    why.c_str());
    // A resumed package is fetched whole once more when its first action finds it missing.
    Cobalt::IO::ResumableFile::remove(files().resolve(stagedPath));
    return false;
}

void GroupUpdateState::showDownloadProgress(std::uint32_t received) {
    const std::uint32_t size = static_cast<std::uint32_t>(groups[groupIndex].plan.packageSize);
    if (retryShown)
        statusText.setText(DownloadingText);
    retryShown = false;
    progressBar.setPosition(static_cast<int>((bytesDone + received) >> barShift));
    fileSizeText.setText(progressCounter(received >> 10, size / 1024));
    getApp()->getObserver().downloadProgress(bytesDone + received, totalBytes);
}

void GroupUpdateState::startExtraction() {
    if (groups.empty()) {
        phase = UpdatePhase::Finish;
        getApp()->getObserver().updatePhaseStarted(phase, 0);
        return;
    }
    phase = UpdatePhase::Extract;
    installer = std::make_unique<FileInstaller>(files(), programStarter);
    opening.reset();
    groupIndex = 0;
    actionIndex = 0;
    actionsDone = 0;
    latestAction.clear();
    progressBar.setRange(totalActions);
    progressBar.setPosition(0);
    statusText.setText(ExtractingText);
    showActionsDone();
    getApp()->getObserver().updatePhaseStarted(phase, totalActions);
}

void GroupUpdateState::showActionsDone() {
    progressBar.setPosition(actionsDone);
    fileSizeText.setText(progressCounter(static_cast<std::uint32_t>(actionsDone),
                                         static_cast<std::uint32_t>(totalActions)));
    if (!latestAction.empty())
        fileNameText.setText(latestAction);
}

// The display is set once per update, so the window repaints as often as before while each
// update carries out as many actions as fit in its time.
void GroupUpdateState::extract() {
    const double started = workClock();
    while (extractStep() && workClock() - started < ExtractBudget) {
    }
    // A damaged package sends the update back to its download, which shows its own progress.
    if (phase != UpdatePhase::Download)
        showActionsDone();
}

bool GroupUpdateState::extractStep() {
    if (installer->copying())
        return carryOut([this] { return installer->copyMore(); });
    if (installer->commitDue())
        return carryOut([this] { return installer->commitStep(); });
    if (groupIndex < groups.size())
        return groupStep(groups[groupIndex]);
    if (installer->hasWaiting())
        return carryOut([this] { return installer->commitStep(); });
    if (installer->flushNextFolder())
        return true;
    phase = UpdatePhase::Finish;
    getApp()->getObserver().updatePhaseStarted(phase, 0);
    return false;
}

bool GroupUpdateState::groupStep(PlannedGroup &group) {
    if (actionIndex >= group.plan.actions.size()) {
        if (dropPiece(group)) {
            ++groupIndex;
            actionIndex = 0;
        }
        return true;
    }
    if (group.stored && !group.package) {
        mountPiece(group);
        return true;
    }
    const FileAction &action = group.plan.actions[actionIndex];
    // Removals and folders wait for the copies written before them, so the manifest's order holds.
    if (!takesBytes(action.kind) && installer->hasWaiting())
        return carryOut([this] { return installer->commitStep(); });
    ++actionIndex;
    latestAction = action.name;
    return carryOut(
        [this, &action, package = group.package] { return installer->start(action, package); });
}

void GroupUpdateState::mountPiece(PlannedGroup &group) {
    // Opened by name: nobody but whoever may change the installation can write the staging
    // folder, and every entry is checked through the handle mounted here as it is installed.
    const std::string path = stagedPackage(group.plan);
    try {
        if (!opening) {
            auto stream = files().open(path, Cobalt::IO::In | Cobalt::IO::Binary);
            if (!stream)
                throw Cobalt::Exception("cannot open ZIP package " + path);
            opening = std::make_unique<Cobalt::IO::ZIPPackage>(path, std::move(stream));
        }
        if (!opening->readDirectoryPart(DirectoryPiece))
            return;
        group.package = opening.get();
        files().addFileSystem(std::move(opening));
    } catch (const Cobalt::Exception &error) {
        // The file on disk stays what it is, so mounting again would fail again: the group's
        // files are reported as unreadable and the next run downloads the package anew.
        Cobalt::Log::instance().message("Could not open the package %s: %s", path.c_str(),
                                        error.what());
        opening.reset();
        group.stored = false;
    }
}

// The package is of no use once its group is done; a large one would otherwise stay on disk. A
// large file is freed from its end in pieces: what a kill leaves is still the package's first
// bytes, which the next run continues.
bool GroupUpdateState::dropPiece(PlannedGroup &group) {
    unmountPackage(group);
    // Also a package that did not mount: it would only take room until the next run.
    if (!downloads(group.plan))
        return true;
    const std::string path = files().resolve(stagedPackage(group.plan));
    const std::optional<std::uint64_t> left = Cobalt::Platform::shortenFile(path, PackagePiece);
    if (left && *left > 0)
        return false;
    Cobalt::IO::ResumableFile::remove(path);
    return true;
}

void GroupUpdateState::unmountPackage(PlannedGroup &group) {
    if (group.package)
        files().unmount(stagedPackage(group.plan));
    group.package = nullptr;
    group.stored = false;
}

bool GroupUpdateState::fetchAgain(std::uint32_t index) {
    PlannedGroup &group = groups.at(index);
    if (!downloads(group.plan) || group.fetchedAgain)
        return false;
    Cobalt::Log::instance().message("The package %s is damaged; it is downloaded whole once more",
                                    group.plan.packagePath.c_str());
    unmountPackage(group);
    Cobalt::IO::ResumableFile::remove(files().resolve(stagedPackage(group.plan)));
    group.fetchedAgain = true;
    groupIndex = index;
    refetching = true;
    phase = UpdatePhase::Download;
    statusText.setText(DownloadingText);
    // The bar counts this package's bytes meanwhile.
    bytesDone = 0;
    progressBar.setRange(static_cast<int>(group.plan.packageSize >> barShift));
    return true;
}

bool GroupUpdateState::damagedPackage(const InstallResult &result,
                                      const PlannedGroup &group) const {
    const bool unreadable = result.outcome == InstallOutcome::Unreadable ||
                            result.outcome == InstallOutcome::Mismatched;
    return unreadable && group.resumed;
}

bool GroupUpdateState::carryOut(const std::function<std::optional<InstallResult>()> &step) {
    std::optional<InstallResult> result = step();
    // Bytes pieced together from two replies may not be one file; the whole file settles it.
    if (result && groupIndex < groups.size() && damagedPackage(*result, groups[groupIndex]) &&
        fetchAgain(groupIndex)) {
        --actionIndex; // the action that found the damage runs again on the new bytes
        return false;
    }
    while (result && result->outcome == InstallOutcome::NotReplaced) {
        Cobalt::Log::instance().message("%s", result->message().c_str());
        showActionsDone();
        fileNameText.setText(result->name);
        if (Platform::showMessageBox(result->message(), ErrorCaption,
                                     Platform::MessageBoxKind::RetryCancelWarning) !=
            Platform::MessageBoxAnswer::Retry) {
            getApp()->getObserver().actionEnded(*result);
            // The files not yet moved keep their old versions; their copies go.
            installer->discardWaiting();
            getApp()->requestQuit();
            return false;
        }
        result = step();
    }
    if (!result)
        return true;
    getApp()->getObserver().actionEnded(*result);
    if (!result->succeeded()) {
        Cobalt::Log::instance().message("%s", result->message().c_str());
        failures.push_back(result->message());
    }
    ++actionsDone;
    return true;
}

void GroupUpdateState::finish() {
    LauncherApp &app = *getApp();
    if (!failures.empty())
        tellIncomplete();
    app.changeState("StartGame");
    if (failures.empty() && app.getServerManifest() && !app.commitManifest())
        Platform::showMessageBox("The list of installed game files could not be saved. The next "
                                 "start of the launcher checks the game files again.",
                                 Platform::LauncherCaption,
                                 Platform::MessageBoxKind::OkExclamation);
}

void GroupUpdateState::tellIncomplete() const {
    std::string text = "Some game files could not be updated:\n";
    for (std::size_t index = 0; index < failures.size() && index < NamedFailures; ++index)
        text += failures[index] + "\n";
    if (failures.size() > NamedFailures)
        text += "and " + std::to_string(failures.size() - NamedFailures) + " more (see the log)\n";
    text += "These files were left as they were; the next start of the launcher tries again.";
    Platform::showMessageBox(text, Platform::LauncherCaption,
                             Platform::MessageBoxKind::OkExclamation);
}

} // namespace Kestrel
