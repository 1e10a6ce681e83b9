// What a launch is doing, told to whoever reports it (the console of an unattended run) without
// the states knowing who listens. Every operation does nothing unless overridden.
#pragma once

#include <cstdint>
#include <string>

namespace Kestrel {

enum class UpdatePhase;
struct InstallResult;

class LaunchObserver {
public:
    virtual ~LaunchObserver() = default;

    // The installed release's version text ("" without a local manifest): once the configuration
    // is read, and again when the launch ends.
    virtual void installedRelease(const std::string &) {}
    // The state called name is about to be entered.
    virtual void stateEntered(const std::string &) {}
    // The group update begins phase; amount is the bytes to download for Download, the file
    // actions for Extract, 0 otherwise.
    virtual void updatePhaseStarted(UpdatePhase, std::int64_t) {}
    // done of total package bytes have arrived in this update.
    virtual void downloadProgress(std::int64_t, std::int64_t) {}
    // A package's download ended, whole or not, with this many bytes kept on disk.
    virtual void packageDownloaded(std::uint64_t) {}
    // A file action was carried out (or failed for good), as its result says.
    virtual void actionEnded(const InstallResult &) {}
};

} // namespace Kestrel
