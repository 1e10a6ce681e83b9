// The wait for the elevated copy: the window is hidden while the only thread is blocked.
#include "states/WaitForUpdateState.h"

#include "app/LauncherApp.h"
#include "app/Log.h"
#include "platform/Elevation.h"
#include "platform/MessageBox.h"
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
    if (!copy || !copy->waitForEnd())
        return;
    if (const unsigned long code = copy->exitCode()) {
        Cobalt::Log::instance().message("The elevated copy ended with code %lu", code);
        Platform::showMessageBox(NotUpdatedText, Platform::LauncherCaption,
                                 Platform::MessageBoxKind::OkExclamation);
    }
    app.changeState("StartGame");
}

} // namespace Kestrel
