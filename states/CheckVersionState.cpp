// The version check's paced steps: versions, request, the two verdicts and what follows them.
#include "states/CheckVersionState.h"

#include "app/LauncherApp.h"
#include "app/Log.h"
#include "network/KSConnector.h"
#include "network/Scheme.h"
#include "platform/SystemHelpers.h"
#include "serialization/XMLInputArchive.h"

namespace Kestrel {

KSNetwork::ServerStatus manifestStatus;

namespace {

// The steps, in the order a launch meets them.
enum Step {
    ReadVersions = 0,
    SendRequest = 1,
    JudgeLauncher = 2,
    JudgeManifest = 3,
    OpenNewLauncher = 4,
    StartUpdate = 5,
    StartGame = 6,
};

// The dots run from none to three " ." groups, then start again.
constexpr std::size_t LongestDots = 6;

} // namespace

bool CheckVersionState::load(Cobalt::InputArchive &archive) {
    if (loadChildElement(statusText, "checkVersion", archive, getApp()->getRootElement()))
        baseText = statusText.getText();
    Cobalt::readNamed(archive, "messageDisplayTime", messageDisplayTime);
    Cobalt::readNamed(archive, "localVerLingerTime", localVerLingerTime);
    Cobalt::readNamed(archive, "localVerFailedMessage", launcherFailedMessage);
    Cobalt::readNamed(archive, "manifestVerFailedMessage", manifestFailedMessage);
    return LauncherState::load(archive);
}

void CheckVersionState::enter() {
    statusText.show();
    step = ReadVersions;
}

void CheckVersionState::leave() { statusText.hide(); }

void CheckVersionState::update(float, float dt) {
    elapsed += dt;
    if (!(elapsed > messageDisplayTime))
        return;
    if (step <= JudgeLauncher)
        animateDots();
    // The remainder carries over, so the pace does not drift with the tick length.
    elapsed -= messageDisplayTime;
    runStep();
}

void CheckVersionState::animateDots() {
    const std::string dotted = statusText.getText() + " .";
    statusText.setText(dotted.size() > baseText.size() + LongestDots ? baseText : dotted);
}

void CheckVersionState::runStep() {
    LauncherApp &app = *getApp();
    switch (step) {
    case ReadVersions:
        launcherVersion = LauncherVersion;
        if (!fullCheck && app.getLocalManifest())
            readLocalManifestVersion();
        else
            manifestVersion = UnknownManifestVersion;
        step = SendRequest;
        break;
    case SendRequest:
        // Throws on failure with the step unchanged: the request goes again next interval.
        app.getConnector()->checkVersion(launcherVersion, manifestVersion, &launcherStatus,
                                         &manifestStatus);
        step = JudgeLauncher;
        break;
    case JudgeLauncher:
        if (launcherStatus.ok) {
            step = JudgeManifest;
        } else {
            statusText.setText(launcherFailedMessage);
            step = OpenNewLauncher;
        }
        break;
    case JudgeManifest:
        if (manifestStatus.ok) {
            step = StartGame;
        } else {
            statusText.setText(manifestFailedMessage);
            step = StartUpdate;
        }
        break;
    case OpenNewLauncher:
        if (lingeredEnough()) {
            // The server's word alone must not start a program or open a share or local file.
            if (KSNetwork::isWebAddress(launcherStatus.value2))
                Cobalt::openWithShell(launcherStatus.value2.c_str());
            else
                Cobalt::Log::instance().message("Not opened: the new launcher's address \"%s\" "
                                                "is no http:// or https:// address",
                                                launcherStatus.value2.c_str());
            app.requestQuit();
        }
        break;
    case StartUpdate:
        if (lingeredEnough())
            continueWithUpdate();
        break;
    default:
        app.changeState("StartGame");
        break;
    }
}

void CheckVersionState::readLocalManifestVersion() {
    Cobalt::XMLInputArchive &manifest = *getApp()->getLocalManifest();
    if (!manifest.enter("manifest"))
        return;
    manifest.readAttribute("version", manifestVersion);
    manifest.leave();
}

bool CheckVersionState::lingeredEnough() {
    lingered += messageDisplayTime;
    return lingered >= localVerLingerTime;
}

void CheckVersionState::continueWithUpdate() {
    LauncherApp &app = *getApp();
    // The elevated copy updates whatever the system says of its rights: relaunching once more
    // would only ask again, copy after copy.
    if (isUserAdmin() || app.isElevatedInstance()) {
        app.changeState("ManifestUpdate");
        return;
    }
    // Declined or failed, the relaunch leaves no copy to wait for, and the wait moves straight on.
    app.relaunchElevated();
    app.changeState("WaitAdminUpdate");
}

} // namespace Kestrel
