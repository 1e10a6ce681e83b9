// Start-up in its fixed order, the main loop, and the shutdown of the engine services.
#include "app/Launcher.h"

#include "app/CommandLine.h"
#include "app/Engine.h"
#include "app/FrameTimer.h"
#include "app/LaunchObserver.h"
#include "app/LauncherApp.h"
#include "app/Log.h"
#include "app/MainLoop.h"
#include "io/FileServer.h"
#include "network/KSConnector.h"
#include "platform/MessageBox.h"
#include "platform/NativeFile.h"
#include "platform/SystemHelpers.h"
#include "serialization/XMLInputArchive.h"
#include "states/ManifestVersion.h"
#include "ui/WindowElement.h"

#include <memory>
#include <string>

namespace Kestrel {

namespace {

// The application of the running launcher, for the main window's callbacks; null outside run.
LauncherApp *currentApp = nullptr;

// Clears currentApp however run ends.
struct CurrentApp {
    explicit CurrentApp(LauncherApp &app) { currentApp = &app; }
    ~CurrentApp() { currentApp = nullptr; }
    CurrentApp(const CurrentApp &) = delete;
    CurrentApp &operator=(const CurrentApp &) = delete;
};

int failStartup(const char *text) {
    Platform::showMessageBox(text, Platform::LauncherCaption, Platform::MessageBoxKind::OkPlain);
    return Launcher::StartupFailed;
}

Platform::MainWindowCallbacks mainWindowCallbacks() {
    Platform::MainWindowCallbacks callbacks;
    callbacks.destroyed = [] {
        if (currentApp)
            currentApp->requestQuit();
    };
    callbacks.logo = []() -> Platform::BitmapHandle {
        return currentApp ? currentApp->getLogo() : nullptr;
    };
    return callbacks;
}

// Sends every level of the log to the file in the configuration folder, which the first copy
// starts afresh and its elevated copy continues; without the folder the launcher simply runs
// without a log file. Both copies append, so that the lines the first copy writes after its
// wait follow the elevated copy's instead of overwriting them.
void openLogFile(Cobalt::IO::FileServer &files, bool elevatedCopy) {
    defineLauncherFolders(files);
    const std::string path = files.resolve(Launcher::LogPath);
    if (!elevatedCopy)
        Cobalt::Platform::openFileStream(path, std::ios::out | std::ios::trunc);
    auto file = Cobalt::Platform::openFileStream(path, std::ios::out | std::ios::app);
    if (!file)
        return;
    Cobalt::Log &log = Cobalt::Log::instance();
    log.addOutput(std::move(file), ~0u);
    std::string now = Cobalt::currentTimeText();
    if (!now.empty() && now.back() == '\n')
        now.pop_back();
    log.message("Brightwell Launcher started%s %s", elevatedCopy ? " as the elevated copy" : "",
                now.c_str());
}

void reportInstalledRelease(const LauncherApp &app) {
    app.getObserver().installedRelease(readManifestVersionText(app.getLocalManifest()));
}

// Everything after the engine started; the engine is shut down by the caller.
int runWithEngine(const std::string &commandLine, const Launcher::Options &options,
                  WindowElement &root) {
    openLogFile(*Cobalt::Engine::instance()->getFileServer(), CommandLine::parse(commandLine).uac);
    LauncherApp app;
    const CurrentApp current(app);
    app.setRootElement(&root);
    app.setObserver(options.observer);
    if (!app.loadConfiguration(Launcher::ConfigurationPath))
        return failStartup("Failed to read configuration file!");
    reportInstalledRelease(app);

    const Platform::WindowHandle window = root.getWindow();
    MainLoop loop(app, window, [] { return Cobalt::currentTime(); });
    loop.setRepeatedErrorLimit(options.repeatedErrorLimit);
    loop.setStopCheck(options.stopRequested);
    app.getConnector()->setProgressCallback([&loop] { loop.pumpOnce(); });
    app.getConnector()->setKeepAlive([&loop] { return loop.keepAlive(); });
    Platform::centreOnDesktop(window);
    if (!CommandLine::apply(commandLine, app))
        return Launcher::StartupLoginFailed;
    Platform::showWindow(window, options.showCommand);
    Platform::updateWindow(window);
    loop.run();
    reportInstalledRelease(app);
    if (loop.gaveUp())
        return Launcher::GaveUp;
    return app.isUpdatePending() ? Launcher::UpdateIncomplete : Launcher::Finished;
}

} // namespace

const char *Launcher::exitCodeMeaning(int code) {
    switch (code) {
    case Finished:
        return "finished";
    case StartupFailed:
        return "start-up failed";
    case StartupLoginFailed:
        return "start-up login failed";
    case GaveUp:
        return "gave up after repeated errors";
    case UpdateIncomplete:
        return "update incomplete";
    default:
        return "unknown";
    }
}

int Launcher::run(const std::string &commandLine, const Options &options) {
    Platform::initCommonControls();
    if (!Platform::registerMainWindowClass(mainWindowCallbacks()))
        return failStartup("Failed to register window class!");
    const Platform::WindowHandle window = Platform::createMainWindow();
    if (!window)
        return failStartup("Failed to create window!");
    WindowElement root(window);
    Platform::createBackgroundChild(window);
    Cobalt::startEngine();
    const int exitCode = runWithEngine(commandLine, options, root);
    Cobalt::shutdownEngine();
    return exitCode;
}

} // namespace Kestrel
