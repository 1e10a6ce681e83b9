// The one harness of the launcher's tests: a running engine whose user, temporary and data
// folders lie in a fresh temporary folder that is also the installation, a LauncherApp,
// configuration files written there, and every message box recorded and answered.
#pragma once

#include "app/LauncherApp.h"
#include "platform/MessageBox.h"
#include "tests/support/ScopedCurrentDirectory.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Cobalt {
class XMLInputArchive;
}

namespace Testing {

// A message box as the launcher showed it.
struct ShownBox {
    std::string text;
    std::string caption;
    Kestrel::Platform::MessageBoxKind kind;
};

// The "version" attribute of a manifest archive's "manifest" element; "<none>" without one.
std::string manifestVersion(Cobalt::XMLInputArchive *manifest);

class LauncherHarness {
public:
    LauncherHarness();
    ~LauncherHarness();
    LauncherHarness(const LauncherHarness &) = delete;
    LauncherHarness &operator=(const LauncherHarness &) = delete;

    // What a new launcher process starts from: a fresh engine (nothing mounted) over the folder
    // and a fresh application.
    void restartEngine();
    // Writes folder/launcher.xml holding <launcher> + body + </launcher>; returns its path.
    std::string writeConfiguration(const std::string &body) const;
    // Loads a configuration of body into app.
    bool load(const std::string &body);
    // The native path of the configuration folder the launcher's aliases lead to.
    std::string configurationFolder() const {
        return folder / "documents/Brightwell/configuration/";
    }

    // Places a file of the installation (folders created).
    void place(const std::string &name, const std::string &bytes) const;
    // The installed file's bytes (a relative or absolute name); "<missing>" when there is none.
    std::string installed(const std::string &name) const;
    // "user/password" as the application stores them, and as its connector sends them.
    std::string storedCredentials() const;
    std::string sentCredentials() const;

    TempFolder folder;
    ScopedCurrentDirectory currentDirectory{folder.path()};
    std::unique_ptr<Kestrel::LauncherApp> app;
    // Every box shown meanwhile. Retry/Cancel boxes get answerRetryBox's answer (Cancel unless
    // set), every other box OK.
    std::vector<ShownBox> boxes;
    std::function<Kestrel::Platform::MessageBoxAnswer(const ShownBox &)> answerRetryBox;

private:
    Kestrel::Platform::MessageBoxAnswerer previousAnswerer;
};

class LauncherFixture : public ::testing::Test, public LauncherHarness {};

} // namespace Testing
