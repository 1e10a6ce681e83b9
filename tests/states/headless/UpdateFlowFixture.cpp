// The update flow harness: a fresh launcher per run against the reference server, and the journal
// of the texts and bars the player saw.
#include "tests/states/headless/UpdateFlowFixture.h"

#include "app/Engine.h"
#include "io/FileServer.h"
#include "platform/SystemHelpers.h"
#include "platform/headless/HeadlessWindows.h"
#include "states/CheckVersionState.h"
#include "states/GroupUpdateState.h"
#include "tests/support/InstallationFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

namespace Headless = Kestrel::Platform::Headless;
namespace fs = std::filesystem;

namespace Testing {

namespace {
std::string fileText(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The shipped configuration, with the server's address in place of the shipped one.
std::string shippedConfiguration(const std::string &url) {
    const std::string text =
        fileText(fs::path(BRIGHTWELL_LAUNCHER_PROGRAM).parent_path() / "gameStates/launcher.xml");
    return std::regex_replace(text, std::regex("<URL>[^<]*</URL>"), "<URL>" + url + "</URL>");
}
} // namespace

void UpdateFlowTest::SetUp() {
    ReferenceServerFixture::SetUp();
    if (IsSkipped())
        return;
    // Every test publishes its own release into the folder the server shares between tests.
    for (const auto &entry : fs::directory_iterator(root + "release"))
        if (entry.path().filename() != "outside-link")
            fs::remove_all(entry.path());
    Kestrel::overrideUserAdmin(true);
    // Replaces the harness's answerer; the harness restores the one from before it.
    Kestrel::Platform::setMessageBoxAnswerer([this](const std::string &text,
                                                    const std::string &caption,
                                                    Kestrel::Platform::MessageBoxKind kind) {
        boxes.push_back({text, caption, kind});
        if (kind != Kestrel::Platform::MessageBoxKind::RetryCancelWarning)
            return Kestrel::Platform::MessageBoxAnswer::Ok;
        return answerRetryBox ? answerRetryBox(boxes.back())
                              : Kestrel::Platform::MessageBoxAnswer::Cancel;
    });
}

void UpdateFlowTest::startRun() {
    // A new process: nothing mounted, no window, no application from before.
    loop.reset();
    app.reset();
    rootElement.reset();
    if (window)
        Headless::close(window);
    Cobalt::shutdownEngine();
    Cobalt::IO::FileServer *files = Cobalt::startEngine()->getFileServer();
    Cobalt::setCurrentDirectory(folder.path());
    files->setAlias("_user", (folder / "documents").c_str());
    files->setAlias("_temp", (folder / "temp").c_str());
    files->setAlias("_data", (folder / "data").c_str());
    Testing::useAsInstallationFolder(*files, folder.path());

    Headless::resetMainWindowClass();
    ASSERT_TRUE(Kestrel::Platform::registerMainWindowClass({}));
    window = Kestrel::Platform::createMainWindow();
    rootElement = std::make_unique<Kestrel::WindowElement>(window);
    app = std::make_unique<Kestrel::LauncherApp>();
    app->setRootElement(rootElement.get());
    folder.write("launcher.xml", shippedConfiguration(std::getenv("BRIGHTWELL_SERVER_URL")));
    ASSERT_TRUE(app->loadConfiguration(folder / "launcher.xml"));
    Kestrel::Platform::showWindow(window, Kestrel::Platform::ShowNormal);
    loop = std::make_unique<Kestrel::MainLoop>(*app, window, [this] { return now += 0.02; });
    app->getConnector()->setProgressCallback([this] {
        loop->pumpOnce();
        sample();
    });
    state<Kestrel::GroupUpdateState>("GroupUpdate").programStarter =
        [this](const std::string &path, const std::string &args) {
            started.push_back({path, args, installed(path)});
        };
    runStarted = true;
}

std::string UpdateFlowTest::runUpdate(int maxPasses) {
    if (!runStarted)
        startRun();
    runStarted = false;
    app->setCredentials(PlayerName, PlayerDigest);
    Kestrel::manifestStatus.set(false, "", ServerManifest);
    app->changeState("ManifestUpdate");
    sample();
    auto updating = [this] {
        const std::string current = app->getCurrentState()->getName();
        return current == "ManifestUpdate" || current == "GroupUpdate";
    };
    for (int pass = 0; pass < maxPasses && updating() && !app->isQuitRequested(); ++pass) {
        loop->runPass();
        sample();
    }
    return app->getCurrentState()->getName();
}

void UpdateFlowTest::publish(const ReleaseWriter &release) const {
    release.writeTo(root + "release/", ServerManifest);
}

void UpdateFlowTest::place(const std::string &name, const std::string &bytes) const {
    fs::create_directories(fs::path(folder / name).parent_path());
    folder.write(name, bytes);
}

std::string UpdateFlowTest::installed(const std::string &name) const {
    const fs::path path = fs::path(name).is_absolute() ? fs::path(name) : fs::path(folder / name);
    return fs::is_regular_file(path) ? fileText(path) : "<missing>";
}

std::string UpdateFlowTest::served(std::string text) {
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
    }
    return text;
}

void UpdateFlowTest::sample() {
    for (Kestrel::Platform::WindowHandle candidate : Headless::windows()) {
        if (candidate->parent != window || !Headless::isVisible(candidate))
            continue;
        if (candidate->className == L"STATIC") {
            auto last = std::find_if(lastTexts.begin(), lastTexts.end(),
                                     [&](const auto &entry) { return entry.first == candidate; });
            if (last == lastTexts.end())
                last = lastTexts.insert(lastTexts.end(), {candidate, std::string()});
            if (last->second != candidate->text)
                shown.push_back(candidate->text);
            last->second = candidate->text;
        } else if (candidate->className == L"msctls_progress32") {
            const std::string bar = candidate->marquee ? "marquee"
                                                       : std::to_string(candidate->position) + "/" +
                                                             std::to_string(candidate->rangeHigh);
            if (bar != lastBar)
                bars.push_back(bar);
            lastBar = bar;
        }
    }
    // A control that was hidden shows its text anew when it comes back into view.
    lastTexts.erase(
        std::remove_if(lastTexts.begin(), lastTexts.end(),
                       [](const auto &entry) { return !Headless::isVisible(entry.first); }),
        lastTexts.end());
    if (onSample)
        onSample();
}

std::vector<std::string> UpdateFlowTest::counters() const {
    static const std::regex counter(R"(\(\d+/(\d+|\?)\))");
    std::vector<std::string> found;
    for (const std::string &text : shown)
        if (std::regex_match(text, counter))
            found.push_back(text);
    return found;
}

bool UpdateFlowTest::saw(const std::string &text) const {
    return std::find(shown.begin(), shown.end(), text) != shown.end();
}

} // namespace Testing
