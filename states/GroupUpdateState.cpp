// The group update's four phases, one small step per update so that the window stays alive.
#include "states/GroupUpdateState.h"

#include "app/LauncherApp.h"
#include "app/Log.h"
#include "io/Exception.h"
#include "io/FileServer.h"
#include "io/StagedFile.h"
#include "network/KSConnector.h"
#include "platform/MessageBox.h"
#include "serialization/XMLInputArchive.h"
#include "states/InstallName.h"
#include "states/ManifestVersion.h"
#include "states/ProgressCounter.h"
#include "states/StagingFolder.h"

#include <limits>

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
}

void GroupUpdateState::leave() {
    fileNameText.hide();
    fileSizeText.hide();
    progressBar.hide();
    statusText.hide();
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
    group.stored = storePackage(group.plan, connector);
    bytesDone += group.plan.packageSize;
    ++groupIndex;
}

bool GroupUpdateState::storePackage(const GroupPlan &plan, KSNetwork::KSConnector &connector) {
    const std::string stagedPath = stagedPackage(plan);
    // The bytes go to disk as they arrive; memory does not grow with the package.
    auto staged = stagingReady ? files().createFile(stagedPath) : nullptr;
    // A package that is not stored whole is never mounted, nor an older file of its name.
    if (!staged || !connector.downloadSiteFile(plan.packagePath, *staged) || !staged->close()) {
        Cobalt::Log::instance().message("Could not save the package %s", stagedPath.c_str());
        return false;
    }
    if (!getApp()->getVerifier().isEnabled())
        return true;
    // Checked before anything reads it as a ZIP: no byte of a package from elsewhere is parsed.
    // A mismatch is a failed download; the staged bytes go at once.
    const std::string why = ReleaseVerifier::checkPackage(files(), stagedPath, plan.packageSha256);
    if (why.empty())
        return true;
    Cobalt::Log::instance().message("The package %s of group \"%s\" was refused: %s",
                                    plan.packagePath.c_str(), plan.name.c_str(), why.c_str());
    files().remove(stagedPath);
    return false;
}

void GroupUpdateState::showDownloadProgress(std::uint32_t received) {
    const std::uint32_t size = static_cast<std::uint32_t>(groups[groupIndex].plan.packageSize);
    progressBar.setPosition(static_cast<int>((bytesDone + received) >> barShift));
    fileSizeText.setText(progressCounter(received >> 10, size / 1024));
}

void GroupUpdateState::startExtraction() {
    if (groups.empty()) {
        phase = UpdatePhase::Finish;
        return;
    }
    phase = UpdatePhase::Extract;
    installer = std::make_unique<FileInstaller>(files(), programStarter);
    groupIndex = 0;
    actionIndex = 0;
    actionsDone = 0;
    progressBar.setRange(totalActions);
    progressBar.setPosition(0);
    statusText.setText(ExtractingText);
    showActionsDone();
}

void GroupUpdateState::showActionsDone() {
    progressBar.setPosition(actionsDone);
    fileSizeText.setText(progressCounter(static_cast<std::uint32_t>(actionsDone),
                                         static_cast<std::uint32_t>(totalActions)));
}

void GroupUpdateState::extract() {
    while (actionIndex >= groups[groupIndex].plan.actions.size()) {
        dropPackage(groups[groupIndex]);
        ++groupIndex;
        actionIndex = 0;
        if (groupIndex >= groups.size()) {
            phase = UpdatePhase::Finish;
            return;
        }
    }
    PlannedGroup &group = groups[groupIndex];
    const FileAction &action = group.plan.actions[actionIndex];
    fileNameText.setText(action.name);
    if (!carryOut(action, mountedPackage(group)))
        return;
    ++actionIndex;
    ++actionsDone;
    showActionsDone();
}

Cobalt::IO::ZIPPackage *GroupUpdateState::mountedPackage(PlannedGroup &group) {
    if (!group.stored || group.package)
        return group.package;
    // Opened by name: nobody but whoever may change the installation can write the staging
    // folder, and every entry is checked through the handle mounted here as it is installed.
    const std::string path = stagedPackage(group.plan);
    try {
        group.package = &files().mountPackage(path);
    } catch (const Cobalt::Exception &error) {
        // The file on disk stays what it is, so mounting again would fail again: the group's
        // files are reported as unreadable and the next run downloads the package anew.
        Cobalt::Log::instance().message("Could not open the package %s: %s", path.c_str(),
                                        error.what());
        group.stored = false;
    }
    return group.package;
}

// The package is of no use once its group is done; a large one would otherwise stay on disk.
void GroupUpdateState::dropPackage(PlannedGroup &group) {
    const std::string path = stagedPackage(group.plan);
    if (group.package)
        files().unmount(path);
    group.package = nullptr;
    group.stored = false;
    // Also a package that did not mount: it would only take room until the next run.
    if (downloads(group.plan))
        files().remove(path);
}

bool GroupUpdateState::carryOut(const FileAction &action, Cobalt::IO::ZIPPackage *package) {
    InstallResult result = installer->carryOut(action, package);
    while (result.outcome == InstallOutcome::NotReplaced) {
        Cobalt::Log::instance().message("%s", result.message().c_str());
        if (Platform::showMessageBox(result.message(), ErrorCaption,
                                     Platform::MessageBoxKind::RetryCancelWarning) !=
            Platform::MessageBoxAnswer::Retry) {
            getApp()->requestQuit();
            return false;
        }
        result = installer->carryOut(action, package);
    }
    if (!result.succeeded()) {
        Cobalt::Log::instance().message("%s", result.message().c_str());
        failures.push_back(result.message());
    }
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
