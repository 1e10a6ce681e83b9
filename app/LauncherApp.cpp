// The state machine, the credentials, the manifests and the reading of the configuration file.
#include "app/LauncherApp.h"

#include "app/Engine.h"
#include "app/LaunchObserver.h"
#include "app/UtcTime.h"
#include "app/LauncherState.h"
#include "app/Log.h"
#include "io/FileServer.h"
#include "io/OpenMode.h"
#include "network/BufferSink.h"
#include "network/KSConnector.h"
#include "platform/Elevation.h"
#include "platform/SystemHelpers.h"
#include "serialization/XMLInputArchive.h"
#include "serialization/XMLOutputArchive.h"
#include "states/CheckVersionState.h"
#include "states/GroupUpdateState.h"
#include "states/LoginState.h"
#include "states/ManifestUpdateState.h"
#include "states/StagingFolder.h"
#include "states/ManifestVersion.h"
#include "states/StartGameState.h"
#include "states/WaitForUpdateState.h"
#include "ui/WindowElement.h"

#include <cstdio>
#include <exception>

namespace Kestrel {

namespace {

std::optional<bool> userAdminOverride;

// An archive over the file at path, loaded; parsed tells whether it parsed (the archive logs why
// not, and an archive that did not parse fails every read). Null when path does not open.
std::unique_ptr<Cobalt::XMLInputArchive> openArchive(Cobalt::IO::FileServer &files,
                                                     const std::string &path,
                                                     bool *parsed = nullptr,
                                                     std::uint32_t *size = nullptr) {
    auto stream = files.open(path, Cobalt::IO::In);
    if (!stream)
        return nullptr;
    if (size)
        *size = stream->getSize();
    auto archive = std::make_unique<Cobalt::XMLInputArchive>(std::move(stream));
    const bool loaded = archive->load();
    if (parsed)
        *parsed = loaded;
    return archive;
}

} // namespace

LauncherApp::LauncherApp() = default;

LauncherApp::~LauncherApp() = default;

void LauncherApp::registerState(std::unique_ptr<LauncherState> state) {
    state->setApp(this);
    states.push_back(std::move(state));
}

LauncherState *LauncherApp::findState(const std::string &name) const {
    for (const auto &state : states)
        if (state->getName() == name)
            return state.get();
    return nullptr;
}

LauncherState *LauncherApp::getCurrentState() const {
    return currentState < states.size() ? states[currentState].get() : nullptr;
}

void LauncherApp::changeState(const std::string &name) {
    for (unsigned index = 0; index < states.size(); ++index) {
        if (states[index]->getName() != name)
            continue;
        if (index != currentState) {
            states[currentState]->leave();
            currentState = index;
            enterCurrentState();
        }
        break;
    }
    if (rootElement)
        Platform::updateWindow(rootElement->getWindow());
}

// The observer hears of the state first: entering may already report the state's own steps.
void LauncherApp::enterCurrentState() {
    getObserver().stateEntered(states[currentState]->getName());
    states[currentState]->enter();
}

LaunchObserver &LauncherApp::getObserver() const {
    static LaunchObserver nobody;
    return observer ? *observer : nobody;
}

void LauncherApp::tick(double time) {
    const double elapsed = time - lastTickTime;
    // Written as "not greater" so that an undefined time (NaN) does nothing too.
    if (!(elapsed > UpdateInterval))
        return;
    lastTickTime = time;
    if (LauncherState *state = getCurrentState())
        state->update(static_cast<float>(time), static_cast<float>(elapsed));
}

void LauncherApp::setCredentials(const std::string &newUser, const std::string &newPassword) {
    user = newUser;
    password = newPassword;
    if (connector)
        connector->setCredentials(user, password);
}

void LauncherApp::getCredentials(std::string &userOut, std::string &passwordOut) const {
    userOut = user;
    passwordOut = password;
}

void LauncherApp::saveCredentials() {
    if (credentialFile.empty() || !fileServer)
        return;
    fileServer->createDirectory(credentialFile.c_str());
    Cobalt::XMLOutputArchive archive(credentialFile);
    Cobalt::writeNamed(archive, "userID", user);
    Cobalt::writeNamed(archive, "password", password);
}

bool LauncherApp::relaunchElevated() {
    std::string parameters = "     -uac -u " + user + " -p " + password;
    const auto *checkVersion = dynamic_cast<const CheckVersionState *>(findState("CheckVersion"));
    if (checkVersion && checkVersion->fullCheck)
        parameters += " -f";
    Platform::ElevationResult result =
        Platform::startElevated(parameters, rootElement ? rootElement->getWindow() : nullptr);
    if (!result.started) {
        std::printf("Error: ShellExecuteEx failed 0x%lx\n", result.error);
        std::fflush(stdout);
        return false;
    }
    elevatedProcess = std::move(result.process);
    return true;
}

bool LauncherApp::downloadManifest(const std::string &remoteName) {
    manifestRefused = false;
    if (!connector || !fileServer)
        return false;
    std::vector<char> bytes;
    KSNetwork::BufferSink sink(bytes, ManifestLimit);
    if (!connector->downloadSiteFile(remoteName, sink)) {
        if (sink.overflowed())
            Cobalt::Log::instance().message("The server manifest %s is larger than %u MiB",
                                            remoteName.c_str(),
                                            static_cast<unsigned>(ManifestLimit >> 20));
        return false;
    }
    if (const std::string why = verifyManifest(remoteName, bytes); !why.empty()) {
        Cobalt::Log::instance().message("The server manifest %s was refused: %s",
                                        remoteName.c_str(), why.c_str());
        manifestRefused = true;
        return false;
    }
    serverManifest.reset();
    serverManifestCopied = false;
    const std::string copyPath = StagingFolder::manifestCopy();
    // Binary: the copy becomes the local manifest byte for byte.
    if (!StagingFolder(*fileServer).prepare() || !fileServer->writeFile(copyPath, bytes)) {
        Cobalt::Log::instance().message("Could not save the server manifest %s as %s",
                                        remoteName.c_str(), copyPath.c_str());
        fileServer->remove(copyPath);
        return false;
    }
    // Read back from the copy, so that what was read is what a commit puts in place.
    bool parsed = false;
    auto archive = openArchive(*fileServer, copyPath, &parsed);
    if (!parsed || !archive->enter("manifest")) {
        Cobalt::Log::instance().message("The server manifest %s is no manifest (%u bytes)",
                                        remoteName.c_str(), static_cast<unsigned>(bytes.size()));
        // An archive that failed to parse still holds its file open, which Windows would not
        // let go.
        archive.reset();
        fileServer->remove(copyPath);
        return false;
    }
    const std::string stale = verifyCurrent(*archive);
    archive->leave();
    if (!stale.empty()) {
        Cobalt::Log::instance().message("The server manifest %s was refused: %s",
                                        remoteName.c_str(), stale.c_str());
        manifestRefused = true;
        archive.reset();
        fileServer->remove(copyPath);
        return false;
    }
    serverManifest = std::move(archive);
    serverManifestCopied = true;
    return true;
}

std::string LauncherApp::verifyManifest(const std::string &remoteName,
                                        const std::vector<char> &bytes) {
    if (!verifier.isEnabled())
        return "";
    const std::string name = ReleaseVerifier::signatureName(remoteName);
    std::vector<char> signature;
    KSNetwork::BufferSink sink(signature, ReleaseVerifier::SignatureLimit);
    try {
        if (!connector->downloadSiteFile(name, sink))
            return "its signature " + name + " did not arrive whole";
    } catch (const std::exception &error) {
        // Refused rather than asked again: a server that never signs would hold the player here.
        return "its signature " + name + " could not be fetched (" + error.what() + ")";
    }
    return verifier.checkSignature(bytes, signature);
}

// The archive is inside its "manifest" element.
std::string LauncherApp::verifyCurrent(Cobalt::XMLInputArchive &manifest) const {
    if (!verifier.isEnabled())
        return "";
    return ReleaseVerifier::checkCurrent(Cobalt::attributeText(manifest, "version"),
                                         Cobalt::attributeText(manifest, "expires"),
                                         readManifestVersion(localManifest.get()),
                                         Cobalt::currentUtcTime());
}

bool LauncherApp::commitManifest() {
    if (!serverManifestCopied || !fileServer)
        return false;
    // A local manifest that did not parse keeps its file open, which Windows would not replace.
    localManifest.reset();
    const bool replaced = fileServer->replace(StagingFolder::manifestCopy(), manifestFile);
    if (replaced) {
        serverManifestCopied = false;
        updatePending = false;
    } else {
        Cobalt::Log::instance().message("Could not replace the local manifest %s",
                                        manifestFile.c_str());
    }
    // The local manifest is again what the file holds, old or new.
    openLocalManifest();
    return replaced;
}

// ---- Configuration ----

bool LauncherApp::loadConfiguration(const std::string &path) {
    registerStates();
    Cobalt::Engine *engine = Cobalt::Engine::instance();
    fileServer = engine ? engine->getFileServer() : nullptr;
    if (!fileServer)
        return false;
    defineLauncherFolders(*fileServer);
    {
        bool parsed = false;
        const auto configuration = openArchive(*fileServer, path, &parsed);
        if (!parsed || !configuration->enter("launcher"))
            return false;
        readSettings(*configuration);
        configuration->leave();
    }
    if (states.empty())
        return false;
    currentState = 0;
    enterCurrentState();
    if (serverUrl.empty())
        return false;
    createConnector();
    return connector != nullptr;
}

void LauncherApp::createConnector() {
    connector.reset();
    try {
        connector = KSNetwork::createConnector(serverUrl);
    } catch (const std::exception &error) {
        // An address the connector cannot parse is a broken configuration, not a crash.
        Cobalt::Log::instance().message("Bad server address: %s", error.what());
        return;
    }
    connector->setTransferSettings(transferSettings);
    connector->setRetryNotice([this] {
        if (LauncherState *state = getCurrentState())
            state->showRetrying(retryingText);
    });
    if (!caFile.empty())
        connector->setCaFile(caFile);
}

void LauncherApp::registerStates() {
    registerState(std::make_unique<LoginState>("Login"));
    registerState(std::make_unique<CheckVersionState>("CheckVersion"));
    registerState(std::make_unique<StartGameState>("StartGame"));
    registerState(std::make_unique<ManifestUpdateState>("ManifestUpdate"));
    registerState(std::make_unique<GroupUpdateState>("GroupUpdate"));
    registerState(std::make_unique<WaitForUpdateState>("WaitAdminUpdate"));
}

void LauncherApp::readSettings(Cobalt::InputArchive &configuration) {
    loadRootElement(configuration);
    std::string logoFile;
    if (Cobalt::readNamed(configuration, "logo", logoFile))
        logo = Platform::loadBitmapFile(logoFile);
    if (Cobalt::readNamed(configuration, "credentialFile", credentialFile))
        readCredentialFile();
    std::string url;
    if (Cobalt::readNamed(configuration, "URL", url))
        serverUrl = url + ScriptPath;
    if (Cobalt::readNamed(configuration, "manifestFile", manifestFile))
        openLocalManifest();
    readTransferSettings(configuration);
    readPublicKeys(configuration);
    std::string caFileName;
    if (Cobalt::readNamed(configuration, "caFile", caFileName) && !caFileName.empty())
        caFile = fileServer->resolve(caFileName);
    loadStateSections(configuration);
}

void LauncherApp::readTransferSettings(Cobalt::InputArchive &configuration) {
    // Seconds; a value that is not positive keeps the default.
    const auto readSeconds = [&configuration](const char *name, double &seconds) {
        float value = 0.0f;
        if (Cobalt::readNamed(configuration, name, value) && value > 0.0f)
            seconds = value;
    };
    readSeconds("connectTimeout", transferSettings.connectSeconds);
    readSeconds("receiveTimeout", transferSettings.receiveSeconds);
    readSeconds("retryWait", transferSettings.firstRetryWait);
    Cobalt::readNamed(configuration, "retryingText", retryingText);
}

void LauncherApp::loadRootElement(Cobalt::InputArchive &configuration) {
    if (!rootElement || !configuration.enter("root"))
        return;
    rootElement->load(configuration);
    rootElement->create();
    configuration.leave();
}

void LauncherApp::readCredentialFile() {
    bool parsed = false;
    const auto archive = openArchive(*fileServer, credentialFile, &parsed);
    if (!parsed)
        return;
    Cobalt::readNamed(*archive, "userID", user);
    Cobalt::readNamed(*archive, "password", password);
}

void LauncherApp::readPublicKeys(Cobalt::InputArchive &configuration) {
    for (Cobalt::NodeHandle node = configuration.nextElement(nullptr, "publicKey"); node;
         node = configuration.nextElement(node, "publicKey")) {
        std::string text;
        configuration.read(text);
        // A key that cannot be read still demands signatures: a typo must not turn the checks off.
        if (!verifier.addKey(text))
            Cobalt::Log::instance().message("The public key \"%s\" is malformed; no release "
                                            "verifies against it",
                                            text.c_str());
    }
}

void LauncherApp::openLocalManifest() {
    localManifestSize = 0;
    localManifest = openArchive(*fileServer, manifestFile, nullptr, &localManifestSize);
}

void LauncherApp::loadStateSections(Cobalt::InputArchive &configuration) {
    for (const auto &state : states) {
        if (!configuration.enter(state->getName()))
            continue;
        state->load(configuration);
        configuration.leave();
    }
}

void defineLauncherFolders(Cobalt::IO::FileServer &fileServer) {
    fileServer.setAlias(StagingFolder::Alias, StagingFolder::Name);
    fileServer.setAlias("user", "_user:Brightwell");
    fileServer.setAlias("data", "_data:Brightwell");
    fileServer.setAlias("configuration", "user:configuration");
    if (!fileServer.exists("configuration:"))
        fileServer.createDirectory("configuration:");
}

bool isUserAdmin() { return userAdminOverride ? *userAdminOverride : Cobalt::isUserAdmin(); }

void overrideUserAdmin(std::optional<bool> answer) { userAdminOverride = answer; }

} // namespace Kestrel
