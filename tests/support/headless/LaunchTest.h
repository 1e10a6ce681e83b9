// The launcher run end to end on the harness: the real application and states over the
// in-memory window layer, the shipped configuration pointed at the reference server on
// 127.0.0.1, an installation whose game is the sample game (as "samplegame.exe"), a main loop
// on a clock the test moves by exact quarter seconds, and a journal of what the player saw.
#pragma once

#include "app/MainLoop.h"
#include "platform/Window.h"
#include "tests/network/ReferenceServerFixture.h"
#include "tests/support/LauncherHarness.h"
#include "tests/support/ReleaseWriter.h"
#include "tests/support/headless/LauncherCopy.h"
#include "ui/WindowElement.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Testing {

class LaunchTest : public ReferenceServerFixture, public LauncherHarness {
protected:
    // Seconds between clock readings (one per main-loop pass, one per transfer callback): a
    // power of two, so that sums of them stay exact.
    static constexpr double PassSeconds = 0.25;
    // The shipped configuration's texts.
    static inline const std::string StatusBase = "Checking for updates";
    static inline const std::string LauncherMessage =
        "A newer launcher is available. Your browser will open its download page.";
    static inline const std::string ManifestMessage =
        "Your game files are out of date and will be updated now.";
    static inline const std::string StartMessage = "Starting the game. Have fun!";
    // The game's command line for the player.
    static inline const std::string PlayerCommandLine =
        "user=" + PlayerName + "&password=" + PlayerDigest;
    // The server's name of the manifest (what the version check reports).
    static inline const std::string ServerManifest = "manifest-7.xml";

    using Settings = Testing::Settings;

    // Skips without the reference server; otherwise empties its release folder and installs
    // the sample game and a current local manifest ("7", as the server's default holds).
    void SetUp() override;
    void TearDown() override;

    // The shipped configuration (its pauses too: the test's clock costs nothing) with the server's
    // address and settings as withSettings applies them (the root's "text" comes first).
    std::string configuration(const Settings &settings = {}) const;
    // A new launcher process as the entry point starts it: configuration(settings) loaded, the
    // main window shown (closing it quits), commandLine applied, a main loop on the test's clock
    // (from 0 again) whose pass the connector's progress callback runs, and the update's programs
    // recorded in started instead of run.
    void start(const Settings &settings = {}, const std::string &commandLine = "");
    // Publishes release as the server's current release (manifest and packages).
    void publish(const ReleaseWriter &release) const;

    // One main-loop pass.
    void pass();
    // Passes for seconds of the clock.
    void passFor(double seconds);
    // Passes until done() holds, for at most seconds of the clock; whether it held.
    bool passUntil(const std::function<bool()> &done, double seconds);
    // Starts a process unless start has just done so, logs the player in and enters
    // "ManifestUpdate" as the version check does for an administrator whose manifest is out of
    // date, and passes (at most 2000) until another state is current or the launcher quits. The
    // current state's name.
    std::string runUpdate();

    std::string current() const;
    // The state of the name, of type S.
    template <typename S> S &state(const std::string &name) {
        return dynamic_cast<S &>(*app->findState(name));
    }
    // The main window's live children of className in creation order (hidden ones too).
    std::vector<Kestrel::Platform::WindowHandle> children(const std::wstring &className) const;
    // The texts of the visible static controls that have one, in creation order.
    std::vector<std::string> visibleTexts() const;
    Kestrel::Platform::WindowHandle usernameField() const { return children(L"EDIT").at(0); }
    Kestrel::Platform::WindowHandle passwordField() const { return children(L"EDIT").at(1); }
    Kestrel::Platform::WindowHandle rememberBox() const { return children(L"BUTTON").at(0); }
    Kestrel::Platform::WindowHandle loginButton() const { return children(L"BUTTON").at(1); }
    // Types the player's name and password into the Login screen, ticking the box if asked.
    void fillLogin(const std::string &password, bool remember);

    // What the sample game recorded, waiting up to seconds for it to appear; "<not started>"
    // when it did not.
    std::string gameRecord(const std::string &folderName = "", double seconds = 10.0) const;
    std::string credentialsFile() const;
    // What the local manifest holds now; "<missing>" when there is none.
    std::string localManifest() const { return installed("manifest.xml"); }
    // The text the server sends for a manifest it holds: without its trailing line ends.
    static std::string served(std::string text);

    // Every text the player saw appear, in order: the new text of a shown static control each
    // time it changed or came into view, sampled after every pass and transfer callback.
    std::vector<std::string> shown;
    // The same for the progress bar: "pos/max", or "marquee".
    std::vector<std::string> bars;
    // The counters among shown ("(3/7)", "(0/?)").
    std::vector<std::string> counters() const;
    bool saw(const std::string &text) const;
    // Called after each sample.
    std::function<void()> onSample;
    // Programs the update started: path and parameters, and the program file's bytes then.
    struct Started {
        std::string path;
        std::string args;
        std::string bytes;
    };
    std::vector<Started> started;

    double now = 0.0;
    // The clock the update's Extract phase measures its work per update by: it stands still
    // unless a test moves it, so every update does all the work there is.
    double workNow = 0.0;
    Kestrel::Platform::WindowHandle window = nullptr;
    std::unique_ptr<Kestrel::WindowElement> rootElement;
    std::unique_ptr<Kestrel::MainLoop> loop;

private:
    void sample();

    std::vector<std::pair<Kestrel::Platform::WindowHandle, std::string>> lastTexts;
    std::string lastBar;
    bool freshStart = false;
};

} // namespace Testing
