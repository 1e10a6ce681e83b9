// Test harness for the launcher application: a running engine whose user, temporary and data
// folders lie in a fresh temporary folder, a LauncherApp, and configuration files written there.
#pragma once

#include "app/LauncherApp.h"
#include "app/LauncherState.h"
#include "platform/MessageBox.h"
#include "tests/support/ScopedCurrentDirectory.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace Cobalt {
class XMLInputArchive;
}

#include <memory>
#include <string>
#include <vector>

namespace Testing {

// A state that records every call it receives, in order, in a shared journal.
class JournalState : public Kestrel::LauncherState {
public:
    JournalState(const std::string &name, std::vector<std::string> &journal)
        : LauncherState(name), journal(journal) {}
    void enter() override;
    void leave() override;
    void update(float time, float elapsed) override;

    // What enter saw as the current state's name.
    std::string currentAtEnter;
    // The (time, elapsed) pairs of every update.
    std::vector<std::pair<float, float>> updates;
    // A state to change to from within enter, if not empty.
    std::string changeOnEnter;

private:
    std::vector<std::string> &journal;
};

// A message box as the launcher showed it.
struct ShownBox {
    std::string text;
    std::string caption;
    Kestrel::Platform::MessageBoxKind kind;
};

// The "version" attribute of a manifest archive's "manifest" element; "<none>" without one.
std::string manifestVersion(Cobalt::XMLInputArchive *manifest);

// Sets everything up on construction and takes it down on destruction.
class LauncherHarness {
public:
    LauncherHarness();
    ~LauncherHarness();
    LauncherHarness(const LauncherHarness &) = delete;
    LauncherHarness &operator=(const LauncherHarness &) = delete;

    // Writes folder/launcher.xml holding <launcher> + body + </launcher>; returns its path.
    std::string writeConfiguration(const std::string &body) const;
    // Loads a configuration of body into app.
    bool load(const std::string &body);
    // The native path of the configuration folder the launcher's aliases lead to.
    std::string configurationFolder() const {
        return folder / "documents/Brightwell/configuration/";
    }

    TempFolder folder;
    ScopedCurrentDirectory currentDirectory{folder.path()};
    std::unique_ptr<Kestrel::LauncherApp> app;
    // Every box shown meanwhile; each is answered OK (Cancel for Retry/Cancel).
    std::vector<ShownBox> boxes;

private:
    Kestrel::Platform::MessageBoxAnswerer previousAnswerer;
};

class LauncherFixture : public ::testing::Test, public LauncherHarness {};

} // namespace Testing
