// The launch harness: the configuration, the window, the test's clock, the installed game and
// the journal of what the player saw.
#include "tests/support/headless/LaunchTest.h"

#include "app/CommandLine.h"
#include "network/KSConnector.h"
#include "platform/Elevation.h"
#include "platform/headless/HeadlessWindows.h"
#include "states/CheckVersionState.h"
#include "states/GroupUpdateState.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <thread>

namespace Headless = Kestrel::Platform::Headless;
namespace fs = std::filesystem;

namespace Testing {

void LaunchTest::SetUp() {
    ReferenceServerFixture::SetUp();
    if (IsSkipped())
        return;
    // Every test publishes its own release into the folder the server shares between tests.
    for (const auto &entry : fs::directory_iterator(root + "release"))
        if (entry.path().filename() != "outside-link")
            fs::remove_all(entry.path());
    fs::copy_file(BRIGHTWELL_SAMPLE_GAME, folder / "samplegame.exe");
    folder.write("manifest.xml", "<manifest version=\"7\"/>");
    fs::create_directories(configurationFolder());
}

void LaunchTest::TearDown() {
    Kestrel::Platform::setElevationAnswerer({});
    loop.reset();
    if (window)
        Headless::close(window);
}

std::string LaunchTest::configuration(const Settings &settings) const {
    Settings all = settings;
    all.emplace_back("URL", std::getenv("BRIGHTWELL_SERVER_URL"));
    return withSettings(
        installed(fs::path(BRIGHTWELL_LAUNCHER_PROGRAM).parent_path() / "gameStates/launcher.xml"),
        all);
}

void LaunchTest::start(const Settings &settings, const std::string &commandLine) {
    loop.reset();
    rootElement.reset();
    if (window)
        Headless::close(window);
    restartEngine();
    now = 0.0;
    Headless::resetMainWindowClass();
    Kestrel::Platform::MainWindowCallbacks callbacks;
    callbacks.destroyed = [this] { app->requestQuit(); };
    ASSERT_TRUE(Kestrel::Platform::registerMainWindowClass(callbacks));
    window = Kestrel::Platform::createMainWindow();
    rootElement = std::make_unique<Kestrel::WindowElement>(window);
    app->setRootElement(rootElement.get());
    folder.write("launcher.xml", configuration(settings));
    ASSERT_TRUE(app->loadConfiguration(folder / "launcher.xml"));
    loop = std::make_unique<Kestrel::MainLoop>(*app, window, [this] { return now += PassSeconds; });
    app->getConnector()->setProgressCallback([this] {
        loop->pumpOnce();
        sample();
    });
    app->getConnector()->setKeepAlive([this] {
        const bool stop = loop->keepAlive();
        sample();
        return stop;
    });
    auto &update = state<Kestrel::GroupUpdateState>("GroupUpdate");
    update.programStarter = [this](const std::string &path, const std::string &args) {
        started.push_back({path, args, installed(path)});
    };
    update.workClock = [this] { return workNow; };
    Kestrel::CommandLine::apply(commandLine, *app);
    Kestrel::Platform::showWindow(window, Kestrel::Platform::ShowNormal);
    freshStart = true;
}

void LaunchTest::publish(const ReleaseWriter &release) const {
    release.writeTo(root + "release/", ServerManifest);
}

void LaunchTest::pass() {
    loop->runPass();
    sample();
}

void LaunchTest::passFor(double seconds) {
    for (const double end = now + seconds; now < end;)
        pass();
}

bool LaunchTest::passUntil(const std::function<bool()> &done, double seconds) {
    for (const double end = now + seconds; !done() && now < end;)
        pass();
    return done();
}

std::string LaunchTest::runUpdate() {
    if (!freshStart)
        start();
    freshStart = false;
    app->setCredentials(PlayerName, PlayerDigest);
    Kestrel::manifestStatus.set(false, "", ServerManifest);
    app->changeState("ManifestUpdate");
    sample();
    // Bounded in passes: transfer callbacks move the clock too.
    for (int passes = 0; passes < 2000 && !app->isQuitRequested() &&
                         (current() == "ManifestUpdate" || current() == "GroupUpdate");
         ++passes)
        pass();
    return current();
}

std::string LaunchTest::current() const { return app->getCurrentState()->getName(); }

std::vector<Kestrel::Platform::WindowHandle>
LaunchTest::children(const std::wstring &className) const {
    std::vector<Kestrel::Platform::WindowHandle> found;
    for (Kestrel::Platform::WindowHandle candidate : Headless::windows())
        if (candidate->parent == window && candidate->className == className &&
            !candidate->destroyed)
            found.push_back(candidate);
    return found;
}

std::vector<std::string> LaunchTest::visibleTexts() const {
    std::vector<std::string> texts;
    for (Kestrel::Platform::WindowHandle text : children(L"STATIC"))
        if (Headless::isVisible(text) && !text->text.empty())
            texts.push_back(text->text);
    return texts;
}

void LaunchTest::fillLogin(const std::string &password, bool remember) {
    Kestrel::Platform::setWindowText(usernameField(), "");
    Kestrel::Platform::setWindowText(passwordField(), "");
    ASSERT_TRUE(Headless::typeText(usernameField(), PlayerName));
    ASSERT_TRUE(Headless::typeText(passwordField(), password));
    if (remember != (rememberBox()->check == Kestrel::Platform::CheckChecked)) {
        ASSERT_TRUE(Headless::click(rememberBox()));
    }
}

std::string LaunchTest::gameRecord(const std::string &folderName, double seconds) const {
    const std::string record = folderName + "samplegame-commandline.txt";
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<int>(seconds * 1000));
    while (!fs::exists(folder / record) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return fs::exists(folder / record) ? folder.read(record) : "<not started>";
}

std::string LaunchTest::credentialsFile() const {
    return installed(configurationFolder() + "credentials.xml");
}

std::string LaunchTest::served(std::string text) {
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
    }
    return text;
}

void LaunchTest::sample() {
    for (Kestrel::Platform::WindowHandle candidate : children(L"STATIC")) {
        auto last = std::find_if(lastTexts.begin(), lastTexts.end(),
                                 [&](const auto &entry) { return entry.first == candidate; });
        if (!Headless::isVisible(candidate)) {
            // A control that was hidden shows its text anew when it comes back into view.
            if (last != lastTexts.end())
                lastTexts.erase(last);
            continue;
        }
        if (last == lastTexts.end())
            last = lastTexts.insert(lastTexts.end(), {candidate, std::string()});
        if (last->second != candidate->text)
            shown.push_back(candidate->text);
        last->second = candidate->text;
    }
    for (Kestrel::Platform::WindowHandle bar : children(L"msctls_progress32")) {
        if (!Headless::isVisible(bar))
            continue;
        const std::string text =
            bar->marquee ? "marquee"
                         : std::to_string(bar->position) + "/" + std::to_string(bar->rangeHigh);
        if (text != lastBar)
            bars.push_back(text);
        lastBar = text;
    }
    if (onSample)
        onSample();
}

std::vector<std::string> LaunchTest::counters() const {
    static const std::regex counter(R"(\(\d+/(\d+|\?)\))");
    std::vector<std::string> found;
    for (const std::string &text : shown)
        if (std::regex_match(text, counter))
            found.push_back(text);
    return found;
}

bool LaunchTest::saw(const std::string &text) const {
    return std::find(shown.begin(), shown.end(), text) != shown.end();
}

} // namespace Testing
