// The wait for the elevated copy: the window is hidden while the only thread is blocked.
#include "states/WaitForUpdateState.h"

#include "app/LauncherApp.h"
#include "platform/Elevation.h"
#include "ui/WindowElement.h"

namespace Kestrel {

void WaitForUpdateState::enter() {
    LauncherApp &app = *getApp();
    if (!app.getElevatedProcess()) {
        app.changeState("StartGame");
        return;
    }
    if (WindowElement *root = app.getRootElement())
        root->hide();
}

void WaitForUpdateState::leave() {
    if (WindowElement *root = getApp()->getRootElement())
        root->show();
}

void WaitForUpdateState::update(float, float) {
    LauncherApp &app = *getApp();
    Platform::ElevatedProcess *copy = app.getElevatedProcess();
    if (copy && copy->waitForEnd())
        app.changeState("StartGame");
}

} // namespace Kestrel
