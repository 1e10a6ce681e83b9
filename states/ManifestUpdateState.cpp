// The manifest download screen: a KiB counter and a bar refreshed from inside the download.
#include "states/ManifestUpdateState.h"

#include "app/LauncherApp.h"
#include "app/Log.h"
#include "network/KSConnector.h"
#include "platform/MessageBox.h"
#include "serialization/InputArchive.h"
#include "states/CheckVersionState.h"
#include "states/ProgressCounter.h"

namespace Kestrel {

bool ManifestUpdateState::load(Cobalt::InputArchive &archive) {
    WindowElement *root = getApp()->getRootElement();
    loadChildElement(fileNameText, "fileName", archive, root);
    loadChildElement(fileSizeText, "fileSize", archive, root);
    loadChildElement(progressBar, "fileProgress", archive, root);
    Cobalt::readNamed(archive, "verificationFailedMessage", unverifiedText);
    return LauncherState::load(archive);
}

void ManifestUpdateState::enter() {
    getApp()->beginUpdate();
    fileNameText.show();
    fileSizeText.show();
    progressBar.show();
    expectedKiB = getApp()->getLocalManifestSize() >> 10;
    fileSizeText.setText(progressCounter(0, expectedKiB));
    if (expectedKiB > 0) {
        progressBar.setMarquee(false);
        progressBar.setRange(static_cast<int>(expectedKiB));
        progressBar.setPosition(0);
    } else {
        progressBar.setMarquee(true);
    }
}

void ManifestUpdateState::leave() {
    fileNameText.hide();
    fileSizeText.hide();
    progressBar.hide();
}

void ManifestUpdateState::update(float, float) {
    LauncherApp &app = *getApp();
    const KSNetwork::KSConnector *connector = app.getConnector();
    // The connector reports a byte count only while its download runs: this is a nested call.
    if (const std::int32_t received = connector ? connector->getProgress() : 0) {
        showReceived(static_cast<std::uint32_t>(received));
        return;
    }
    if (!app.downloadManifest(manifestStatus.value2)) {
        Cobalt::Log::instance().message("No usable manifest %s; nothing is updated",
                                        manifestStatus.value2.c_str());
        Platform::showMessageBox(app.isManifestRefused() ? unverifiedText : NoManifestText,
                                 Platform::LauncherCaption,
                                 Platform::MessageBoxKind::OkExclamation);
    }
    app.changeState("GroupUpdate");
}

void ManifestUpdateState::showReceived(std::uint32_t received) {
    const std::uint32_t receivedKiB = received >> 10;
    fileSizeText.setText(progressCounter(receivedKiB, expectedKiB));
    progressBar.setPosition(static_cast<int>(receivedKiB));
}

} // namespace Kestrel
