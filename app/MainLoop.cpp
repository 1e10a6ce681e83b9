// The message loop and the progress callback that keeps the window alive during transfers.
#include "app/MainLoop.h"

#include "app/LauncherApp.h"
#include "app/Log.h"
#include "platform/MessageBox.h"

#include <exception>
#include <utility>

namespace Kestrel {

MainLoop::MainLoop(LauncherApp &app, Platform::WindowHandle dialogWindow,
                   std::function<double()> clock)
    : app(app), dialogWindow(dialogWindow), clock(std::move(clock)) {}

void MainLoop::run() {
    while (!app.isQuitRequested() && !gaveUp()) {
        runPass();
        checkStop();
    }
}

void MainLoop::checkStop() {
    if (stopCheck && stopCheck())
        app.requestQuit();
}

void MainLoop::runPass() {
    try {
        if (!Platform::pumpOneMessage(dialogWindow))
            Platform::sleepOneMillisecond();
        tick();
    } catch (const std::exception &error) {
        showError(error.what());
    }
}

void MainLoop::pumpOnce() {
    Platform::pumpOneMessage(dialogWindow);
    tick();
}

bool MainLoop::keepAlive() {
    Platform::pumpOneMessage(dialogWindow);
    checkStop();
    return app.isQuitRequested();
}

void MainLoop::tick() { app.tick(clock()); }

void MainLoop::showError(const std::string &message) {
    repeats = message == lastError ? repeats + 1 : 1;
    lastError = message;
    Cobalt::Log::instance().message("%s %s", ErrorHeading, message.c_str());
    if (app.isQuitRequested())
        return;
    Platform::showMessageBox(std::string(ErrorHeading) + "\n" + message, Platform::LauncherCaption,
                             Platform::MessageBoxKind::OkExclamation);
}

} // namespace Kestrel
