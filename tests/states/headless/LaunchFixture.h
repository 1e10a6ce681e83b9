// The launch end to end: the real application and states over the in-memory window layer, the
// shipped configuration pointed at the reference server on 127.0.0.1, an installation in a
// temporary folder whose game is the sample game (as "samplegame.exe"), and a clock the test
// moves by exact quarter seconds.
#pragma once

#include "app/LauncherApp.h"
#include "app/MainLoop.h"
#include "platform/Window.h"
#include "tests/app/LauncherFixture.h"
#include "tests/network/ReferenceServerFixture.h"
#include "ui/WindowElement.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Testing {

class LaunchTest : public ReferenceServerFixture, public LauncherHarness {
protected:
    // Seconds between main-loop passes: a power of two, so that sums of them stay exact.
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

    using Settings = std::vector<std::pair<std::string, std::string>>;

    // Skips without the reference server; otherwise installs the sample game and a current
    // local manifest ("7", as the server's default holds) in the folder.
    void SetUp() override;
    void TearDown() override;

    // The shipped configuration with the server's address and each <tag>value</tag> of settings
    // in place of the tag's first occurrence (the root's "text" comes first); a tag written
    // "-tag" is taken out instead.
    std::string configuration(const Settings &settings = {}) const;
    // Starts the launcher as the entry point does: configuration(settings) loaded, the main
    // window shown, commandLine applied, and a main loop on the test's clock.
    void start(const Settings &settings = {}, const std::string &commandLine = "");
    // Makes the server hold launcher and manifest as the current versions.
    void serveVersions(const std::string &launcher, const std::string &manifest) const;

    // One main-loop pass, PassSeconds after the last.
    void pass();
    // Passes for seconds of the clock.
    void passFor(double seconds);
    // Passes until done() holds, for at most seconds of the clock; whether it held.
    bool passUntil(const std::function<bool()> &done, double seconds);

    std::string current() const;
    // The main window's children of className in creation order (hidden ones too).
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

    double now = 0.0;
    Kestrel::Platform::WindowHandle window = nullptr;
    std::unique_ptr<Kestrel::WindowElement> rootElement;
    std::unique_ptr<Kestrel::MainLoop> loop;
};

} // namespace Testing
