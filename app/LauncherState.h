// The base of every launcher state: a named step of the launch that the application enters,
// leaves, configures and updates, and that control signals can call.
#pragma once

#include "ui/sigslot.h"

#include <string>

namespace Cobalt {
class InputArchive;
}

namespace Kestrel {

class LauncherApp;

class LauncherState : public sigslot::has_slots<sigslot::multi_threaded_local> {
public:
    // name is the key of findState and changeState and the name of the state's configuration node.
    explicit LauncherState(std::string name);
    ~LauncherState() override;
    LauncherState(const LauncherState &) = delete;
    LauncherState &operator=(const LauncherState &) = delete;

    // Called when the state becomes current, after the previous state's leave.
    virtual void enter();
    // Called when another state becomes current.
    virtual void leave();
    // Reads the state's settings from its configuration node (current in archive). The base reads
    // nothing and returns true.
    virtual bool load(Cobalt::InputArchive &archive);
    // Called by the application's tick while current; elapsed is the time since the last update.
    virtual void update(float time, float elapsed);
    // Called before the wait of a transfer of this state that failed and is tried again; text is
    // the configured notice. The base shows nothing.
    virtual void showRetrying(const std::string &text);

    const std::string &getName() const { return name; }
    // The application that registered the state; null before registration.
    LauncherApp *getApp() const { return app; }
    // Set by LauncherApp::registerState.
    void setApp(LauncherApp *owner) { app = owner; }

private:
    std::string name;
    LauncherApp *app = nullptr;
};

} // namespace Kestrel
