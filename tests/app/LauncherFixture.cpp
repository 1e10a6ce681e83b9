// The launcher harness: engine, folders, application and recorded message boxes.
#include "tests/app/LauncherFixture.h"

#include "app/Engine.h"
#include "io/FileServer.h"
#include "platform/SystemHelpers.h"
#include "serialization/XMLInputArchive.h"

#include <filesystem>

namespace Testing {

std::string manifestVersion(Cobalt::XMLInputArchive *manifest) {
    std::string version = "<none>";
    if (manifest && manifest->enter("manifest")) {
        manifest->readAttribute("version", version);
        manifest->leave();
    }
    return version;
}

void JournalState::enter() {
    journal.push_back("enter " + getName());
    currentAtEnter = getApp()->getCurrentState() ? getApp()->getCurrentState()->getName() : "";
    if (!changeOnEnter.empty())
        getApp()->changeState(changeOnEnter);
}

void JournalState::leave() { journal.push_back("leave " + getName()); }

void JournalState::update(float time, float elapsed) {
    journal.push_back("update " + getName());
    updates.emplace_back(time, elapsed);
}

LauncherHarness::LauncherHarness() {
    Cobalt::IO::FileServer *files = Cobalt::startEngine()->getFileServer();
    // The engine moved to the test program's folder; relative paths are to stay in ours.
    Cobalt::setCurrentDirectory(folder.path());
    for (const char *name : {"documents", "temp", "data"})
        std::filesystem::create_directories(folder / name);
    // The folders without a trailing separator, as the system reports them.
    files->setAlias("_user", (folder / "documents").c_str());
    files->setAlias("_temp", (folder / "temp").c_str());
    files->setAlias("_data", (folder / "data").c_str());
    app = std::make_unique<Kestrel::LauncherApp>();
    previousAnswerer = Kestrel::Platform::setMessageBoxAnswerer(
        [this](const std::string &text, const std::string &caption,
               Kestrel::Platform::MessageBoxKind kind) {
            boxes.push_back({text, caption, kind});
            return kind == Kestrel::Platform::MessageBoxKind::RetryCancelWarning
                       ? Kestrel::Platform::MessageBoxAnswer::Cancel
                       : Kestrel::Platform::MessageBoxAnswer::Ok;
        });
}

LauncherHarness::~LauncherHarness() {
    Kestrel::Platform::setMessageBoxAnswerer(previousAnswerer);
    Kestrel::overrideUserAdmin(std::nullopt);
    app.reset();
    Cobalt::shutdownEngine();
}

std::string LauncherHarness::writeConfiguration(const std::string &body) const {
    folder.write("launcher.xml", "<?xml version=\"1.0\" ?>\n<launcher>" + body + "</launcher>\n");
    return folder / "launcher.xml";
}

bool LauncherHarness::load(const std::string &body) {
    return app->loadConfiguration(writeConfiguration(body));
}

} // namespace Testing
