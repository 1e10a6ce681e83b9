// The launcher's hub: the states and the switch between them, the credentials, the values of the
// configuration file, the server connector and the two update manifests.
#pragma once

#include "network/TransferSettings.h"
#include "platform/Window.h"
#include "states/ReleaseVerifier.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Cobalt {
class InputArchive;
class XMLInputArchive;
namespace IO {
class FileServer;
}
} // namespace Cobalt

namespace KSNetwork {
class KSConnector;
}

namespace Kestrel {

namespace Platform {
class ElevatedProcess;
}

class LaunchObserver;
class LauncherState;
class WindowElement;

class LauncherApp {
public:
    // What the player sees while a failed transfer waits to be tried again ("retryingText").
    static constexpr const char *RetryingText = "Retrying . . .";
    // The server script's path below the configured "URL".
    static constexpr const char *ScriptPath = "/ksclient/ksserver.php";
    // Updates come no closer together than this many seconds.
    static constexpr double UpdateInterval = 0.01;

    LauncherApp();
    ~LauncherApp();
    LauncherApp(const LauncherApp &) = delete;
    LauncherApp &operator=(const LauncherApp &) = delete;

    // Reads the configuration file at path (a virtual path), creates and registers the six states,
    // lays out the root element, enters "Login" and creates the connector. False when there is no
    // engine to read files through, the file does not open or parse, has no "launcher" node, or
    // gives no "URL" or one the connector cannot use (the Login state has been entered then).
    bool loadConfiguration(const std::string &path);

    // Appends state (owned from now on) and points it at this application.
    void registerState(std::unique_ptr<LauncherState> state);
    // The first state called exactly name, or null.
    LauncherState *findState(const std::string &name) const;
    // Leaves the current state and enters the one called name; the current state's own name or an
    // unknown one changes nothing. The root element's window is repainted in every case.
    void changeState(const std::string &name);
    // Updates the current state when more than UpdateInterval seconds passed since its last
    // update; shorter passes accumulate, an earlier or undefined time does nothing. The time
    // stays in double precision down to the state's elapsed time: a float of a clock that has
    // run for weeks steps by a quarter second or more.
    void tick(double time);
    // The current state; null while none is registered.
    LauncherState *getCurrentState() const;
    unsigned getCurrentStateIndex() const { return currentState; }

    // Stores both texts and hands them to the connector, if there is one.
    void setCredentials(const std::string &user, const std::string &password);
    void getCredentials(std::string &user, std::string &password) const;
    // Writes "userID" and "password" to the configured credentials file; nothing without one.
    void saveCredentials();

    // Downloads the server's manifest remoteName (into memory, at most ManifestLimit bytes),
    // copies it into the staging folder and keeps it, parsed, as the server manifest; true then.
    // A manifest over the limit, a copy that cannot be written whole or that is no manifest (a
    // cut transfer, an error page) leaves no server manifest and no copy: false, logged. A
    // refused download (one is running) changes nothing: false. Failures of the connector
    // propagate and change nothing.
    // With a public key configured the manifest must also be signed (remoteName's signature is
    // fetched the same way), not older than the local manifest and not expired: otherwise it is
    // refused (false, logged, isManifestRefused) and nothing of it is kept.
    bool downloadManifest(const std::string &remoteName);
    // Whether the last downloadManifest refused a manifest that was not verified.
    bool isManifestRefused() const { return manifestRefused; }
    // Puts the manifest that downloadManifest kept in this run in place of the local one, in one
    // step (the old file or the new one, never neither), on any volume. False, changing nothing,
    // when this run kept none (a copy left by an earlier run is never taken) or the local file
    // cannot be replaced. The local manifest is read again from its file afterwards. A commit
    // completes the update that beginUpdate started.
    bool commitManifest();
    // Marks an update as started: from now on it counts as incomplete until a commit.
    void beginUpdate() { updatePending = true; }
    // Whether an update started in this run and has not been committed (it failed, was
    // cancelled, or is still running).
    bool isUpdatePending() const { return updatePending; }

    // The largest server manifest the launcher holds in memory.
    static constexpr std::size_t ManifestLimit = std::size_t{64} * 1024 * 1024;

    // The main window's element (not owned); null until the entry point gives it.
    WindowElement *getRootElement() const { return rootElement; }
    void setRootElement(WindowElement *element) { rootElement = element; }
    // The configured logo; null when none loaded.
    Platform::BitmapHandle getLogo() const { return logo; }
    std::uint32_t getLocalManifestSize() const { return localManifestSize; }
    // The manifests; null when absent.
    Cobalt::XMLInputArchive *getLocalManifest() const { return localManifest.get(); }
    Cobalt::XMLInputArchive *getServerManifest() const { return serverManifest.get(); }
    KSNetwork::KSConnector *getConnector() const { return connector.get(); }
    Cobalt::IO::FileServer *getFileServer() const { return fileServer; }
    const std::string &getServerUrl() const { return serverUrl; }
    const std::string &getCredentialFile() const { return credentialFile; }
    const std::string &getManifestFile() const { return manifestFile; }
    // The configured public keys; checks nothing while none is configured.
    const ReleaseVerifier &getVerifier() const { return verifier; }

    // Starts a copy of the launcher with administrator rights that logs in with the stored
    // credentials ("-uac"), updates and ends; keeps the copy for the wait. A full check asked
    // for here is passed on ("-f"). On failure (a declined prompt, no launcher program in the
    // current folder) prints the system's code to the standard output, keeps the copy held
    // before and returns false.
    bool relaunchElevated();
    // The copy started by the last successful relaunch; null when none.
    Platform::ElevatedProcess *getElevatedProcess() const { return elevatedProcess.get(); }

    // Who is told what the launch does (not owned; it must outlive the application); none when
    // null, the default.
    void setObserver(LaunchObserver *newObserver) { observer = newObserver; }
    // The observer given, or one that ignores everything.
    LaunchObserver &getObserver() const;

    // Set when this process was relaunched elevated and logged in at start-up.
    bool isElevatedInstance() const { return elevatedInstance; }
    void setElevatedInstance(bool elevated) { elevatedInstance = elevated; }
    // Ends the main loop at its next test.
    bool isQuitRequested() const { return quitRequested; }
    void requestQuit() { quitRequested = true; }

private:
    void registerStates();
    void readSettings(Cobalt::InputArchive &configuration);
    void loadRootElement(Cobalt::InputArchive &configuration);
    void readCredentialFile();
    void readPublicKeys(Cobalt::InputArchive &configuration);
    // Why the manifest bytes remoteName gave are not verified; empty when they are (or need not
    // be). Fetches the signature.
    std::string verifyManifest(const std::string &remoteName, const std::vector<char> &bytes);
    std::string verifyCurrent(Cobalt::XMLInputArchive &manifest) const;
    void openLocalManifest();
    void loadStateSections(Cobalt::InputArchive &configuration);
    void enterCurrentState();
    void readTransferSettings(Cobalt::InputArchive &configuration);
    void createConnector();

    bool elevatedInstance = false;
    std::unique_ptr<Platform::ElevatedProcess> elevatedProcess;
    bool quitRequested = false;
    LaunchObserver *observer = nullptr;
    double lastTickTime = 0.0;
    WindowElement *rootElement = nullptr;
    Platform::BitmapHandle logo = nullptr;
    unsigned currentState = 0;
    std::vector<std::unique_ptr<LauncherState>> states;
    std::string credentialFile;
    std::string user;
    std::string password;
    std::string manifestFile;
    std::uint32_t localManifestSize = 0;
    std::unique_ptr<Cobalt::XMLInputArchive> localManifest;
    std::unique_ptr<Cobalt::XMLInputArchive> serverManifest;
    // Whether the staging folder holds the copy that serverManifest was read from, made in this
    // run.
    bool serverManifestCopied = false;
    bool updatePending = false;
    bool manifestRefused = false;
    ReleaseVerifier verifier;
    // The native path of the "caFile" bundle; empty: the system's store.
    std::string caFile;
    std::string serverUrl;
    std::unique_ptr<KSNetwork::KSConnector> connector;
    KSNetwork::TransferSettings transferSettings;
    std::string retryingText = RetryingText;
    Cobalt::IO::FileServer *fileServer = nullptr;
};

// Defines the launcher's aliases "temp" (the staging folder in the installation), "user", "data"
// and "configuration" on fileServer and creates the "configuration:" folder when it is missing.
void defineLauncherFolders(Cobalt::IO::FileServer &fileServer);

// Whether the user has administrator rights: the system's answer, or the override's.
bool isUserAdmin();
// Makes isUserAdmin answer answer from now on (none: ask the system again); for tests.
void overrideUserAdmin(std::optional<bool> answer);

} // namespace Kestrel
