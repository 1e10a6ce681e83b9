// The launcher's update screens end to end: the real application and states over the in-memory
// window layer, the reference server on 127.0.0.1 serving releases written per test, the
// installation in a temporary folder, and a journal of what the player saw.
#pragma once

#include "app/LauncherApp.h"
#include "app/MainLoop.h"
#include "tests/app/LauncherFixture.h"
#include "tests/network/ReferenceServerFixture.h"
#include "tests/support/ReleaseWriter.h"
#include "ui/WindowElement.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Testing {

class UpdateFlowTest : public ReferenceServerFixture, public LauncherHarness {
protected:
    // The server's name of the manifest (what the version check reports).
    static inline const std::string ServerManifest = "manifest-7.xml";

    void SetUp() override;

    // A new launcher process, as far as the update needs one: the shipped configuration (pointed
    // at the server), the main window, the main loop with a clock that advances 20 ms per reading
    // and the connector's callback that pumps it. The journal is kept across runs.
    void startRun();
    // Starts a run unless startRun has just done so (a log capture must follow the engine's start),
    // enters "ManifestUpdate" as the version check does for an administrator whose
    // manifest is out of date, and runs main-loop passes until another state than the update's is
    // current or the launcher quits (at most maxPasses). Returns the name of the current state.
    std::string runUpdate(int maxPasses = 2000);

    // Publishes release as the server's current release (manifest and packages).
    void publish(const ReleaseWriter &release) const;
    // Places a file of the installation (folders created).
    void place(const std::string &name, const std::string &bytes) const;
    // The installed file's bytes; "<missing>" when there is none.
    std::string installed(const std::string &name) const;
    // What the local manifest holds now; "<missing>" when there is none.
    std::string localManifest() const { return installed("manifest.xml"); }
    // The text the server sends for a manifest it holds: without its trailing line ends.
    static std::string served(std::string text);

    // The state of the name, of type S.
    template <typename S> S &state(const std::string &name) {
        return dynamic_cast<S &>(*app->findState(name));
    }

    // Every text the player saw appear, in order: the new text of a shown static control each
    // time it changed or came into view, sampled after every main-loop pass and every callback
    // of a running download.
    std::vector<std::string> shown;
    // The same for the progress bar: "pos/max", or "marquee".
    std::vector<std::string> bars;
    // The counters among shown ("(3/7)", "(0/?)").
    std::vector<std::string> counters() const;
    bool saw(const std::string &text) const;

    // Called after each pass and callback, after the journal was updated.
    std::function<void()> onSample;
    // Answers the Retry/Cancel boxes (every box is recorded in boxes); Cancel unless set.
    std::function<Kestrel::Platform::MessageBoxAnswer(const ShownBox &)> answerRetryBox;
    // Programs the update started: path and parameters, and the program file's bytes then.
    struct Started {
        std::string path;
        std::string args;
        std::string bytes;
    };
    std::vector<Started> started;

    Kestrel::Platform::WindowHandle window = nullptr;
    std::unique_ptr<Kestrel::WindowElement> rootElement;
    std::unique_ptr<Kestrel::MainLoop> loop;
    double now = 0.0;

private:
    void sample();

    std::vector<std::pair<Kestrel::Platform::WindowHandle, std::string>> lastTexts;
    std::string lastBar;
    bool runStarted = false;
};

} // namespace Testing
