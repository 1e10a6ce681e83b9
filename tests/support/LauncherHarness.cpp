// The launcher harness: engine, folders, application and recorded message boxes.
#include "tests/support/LauncherHarness.h"

#include "app/Engine.h"
#include "io/FileServer.h"
#include "network/KSConnector.h"
#include "platform/SystemHelpers.h"
#include "serialization/XMLInputArchive.h"
#include "tests/support/InstallationFolder.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace Testing {

using Kestrel::Platform::MessageBoxAnswer;

std::string manifestVersion(Cobalt::XMLInputArchive *manifest) {
    std::string version = "<none>";
    if (manifest && manifest->enter("manifest")) {
        manifest->readAttribute("version", version);
        manifest->leave();
    }
    return version;
}

LauncherHarness::LauncherHarness() {
    for (const char *name : {"documents", "temp", "data"})
        fs::create_directories(folder / name);
    restartEngine();
    previousAnswerer = Kestrel::Platform::setMessageBoxAnswerer(
        [this](const std::string &text, const std::string &caption,
               Kestrel::Platform::MessageBoxKind kind) {
            boxes.push_back({text, caption, kind});
            if (kind != Kestrel::Platform::MessageBoxKind::RetryCancelWarning)
                return MessageBoxAnswer::Ok;
            return answerRetryBox ? answerRetryBox(boxes.back()) : MessageBoxAnswer::Cancel;
        });
}

LauncherHarness::~LauncherHarness() {
    Kestrel::Platform::setMessageBoxAnswerer(previousAnswerer);
    Kestrel::overrideUserAdmin(std::nullopt);
    app.reset();
    Cobalt::shutdownEngine();
}

void LauncherHarness::restartEngine() {
    app.reset();
    Cobalt::shutdownEngine();
    Cobalt::IO::FileServer &files = *Cobalt::startEngine()->getFileServer();
    // The engine moved to the test program's folder; relative paths are to stay in ours.
    Cobalt::setCurrentDirectory(folder.path());
    useAsInstallationFolder(files, folder.path());
    // The folders without a trailing separator, as the system reports them.
    files.setAlias("_user", (folder / "documents").c_str());
    files.setAlias("_temp", (folder / "temp").c_str());
    files.setAlias("_data", (folder / "data").c_str());
    app = std::make_unique<Kestrel::LauncherApp>();
}

std::string LauncherHarness::writeConfiguration(const std::string &body) const {
    folder.write("launcher.xml", "<?xml version=\"1.0\" ?>\n<launcher>" + body + "</launcher>\n");
    return folder / "launcher.xml";
}

bool LauncherHarness::load(const std::string &body) {
    return app->loadConfiguration(writeConfiguration(body));
}

void LauncherHarness::place(const std::string &name, const std::string &bytes) const {
    fs::create_directories(fs::path(folder / name).parent_path());
    folder.write(name, bytes);
}

std::string LauncherHarness::installed(const std::string &name) const {
    const fs::path path = fs::path(name).is_absolute() ? fs::path(name) : fs::path(folder / name);
    if (!fs::is_regular_file(path))
        return "<missing>";
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string LauncherHarness::storedCredentials() const {
    std::string user, password;
    app->getCredentials(user, password);
    return user + "/" + password;
}

std::string LauncherHarness::sentCredentials() const {
    std::string user, password;
    app->getConnector()->getCredentials(user, password);
    return user + "/" + password;
}

} // namespace Testing
