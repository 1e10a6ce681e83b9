// Fetches the server's update manifest while showing how much of it has arrived.
#pragma once

#include "app/LauncherState.h"
#include "ui/ProgressElement.h"
#include "ui/TextElement.h"

#include <cstdint>
#include <string>

namespace Kestrel {

class ManifestUpdateState : public LauncherState {
public:
    // Told to the player when no usable manifest came; the game then starts with the files there
    // are and the local manifest stays.
    static constexpr const char *NoManifestText =
        "The list of game files could not be downloaded. Your game files were not updated; the "
        "next start of the launcher tries again.";
    // Told when a manifest was refused as not verified (the configuration's
    // "verificationFailedMessage" replaces it); nothing is updated then either.
    static constexpr const char *UnverifiedText = "The update could not be verified.";

    using LauncherState::LauncherState;

    // Marks the update as begun (LauncherApp::beginUpdate) and shows the three elements. The
    // local manifest's size in KiB is the estimate of the download:
    // the counter reads "(0/<KiB>)" and the bar runs from 0 to it, or, under 1 KiB, "(0/?)" over
    // a running marquee.
    void enter() override;
    void leave() override;
    // Binds "fileName", "fileSize" and "fileProgress" below the root element and reads
    // "verificationFailedMessage"; always true.
    bool load(Cobalt::InputArchive &archive) override;
    // Called back while the manifest arrives, shows the KiB received (never more than the
    // estimate). Otherwise downloads the manifest manifestStatus names, tells the player when none
    // usable came, and goes on to "GroupUpdate" in either case. Connector failures propagate and
    // leave the state current, so the next update downloads again.
    void update(float time, float elapsed) override;

private:
    void showReceived(std::uint32_t received);

    TextElement fileNameText;
    TextElement fileSizeText;
    ProgressElement progressBar;
    std::uint32_t expectedKiB = 0;
    std::string unverifiedText = UnverifiedText;
};

} // namespace Kestrel
