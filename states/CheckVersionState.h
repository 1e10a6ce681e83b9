// The version check: asks the server whether the launcher and the local manifest are current,
// one paced step at a time, and leads on to the game, the update or the new launcher's page.
#pragma once

#include "app/LauncherState.h"
#include "network/ServerStatus.h"
#include "ui/TextElement.h"

#include <string>

namespace Kestrel {

// The manifest half of the last version reply, for the whole process: the manifest download reads
// the server's manifest name (value2) from it after the version check has been left.
extern KSNetwork::ServerStatus manifestStatus;

class CheckVersionState : public LauncherState {
public:
    // The launcher's own version, sent as "ver".
    static constexpr const char *LauncherVersion = "l20101210";
    // Sent as "man" for a full check or when there is no local manifest.
    static constexpr const char *UnknownManifestVersion = "rX";

    using LauncherState::LauncherState;

    // Binds "checkVersion" below the root element (its text starts the dots) and reads
    // "messageDisplayTime", "localVerLingerTime", "localVerFailedMessage" and
    // "manifestVerFailedMessage"; a missing value keeps its default. Always true.
    bool load(Cobalt::InputArchive &archive) override;
    // Shows the status text and starts again at the first step.
    void enter() override;
    void leave() override;
    // Gathers time and takes one step each time more than messageDisplayTime has gathered. A
    // failed request propagates and is sent again one interval later.
    void update(float time, float elapsed) override;

    // Set for "-f"/"-full": report a placeholder instead of the local manifest's version.
    bool fullCheck = false;

private:
    void animateDots();
    void runStep();
    void readLocalManifestVersion();
    // Adds one interval to the time a failure message has stayed; true once it stayed long enough.
    bool lingeredEnough();
    void continueWithUpdate();

    TextElement statusText;
    std::string baseText;
    std::string launcherFailedMessage;
    std::string manifestFailedMessage;
    float messageDisplayTime = 1.0f;
    // Unconfigured, a failure message stays the one interval it takes to act on it.
    float localVerLingerTime = 0.0f;
    float elapsed = 0.0f;
    float lingered = 0.0f;
    int step = 0;
    std::string launcherVersion;
    std::string manifestVersion;
    KSNetwork::ServerStatus launcherStatus;
};

} // namespace Kestrel
