// The launch harness: the configuration, the window, the test's clock and the installed game.
#include "tests/states/headless/LaunchFixture.h"

#include "app/CommandLine.h"
#include "platform/Elevation.h"
#include "platform/headless/HeadlessWindows.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <thread>

namespace Headless = Kestrel::Platform::Headless;
namespace fs = std::filesystem;

namespace Testing {

void LaunchTest::SetUp() {
    ReferenceServerFixture::SetUp();
    if (IsSkipped())
        return;
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
    std::ifstream in(fs::path(BRIGHTWELL_LAUNCHER_PROGRAM).parent_path() /
                     "gameStates/launcher.xml");
    std::string text{std::istreambuf_iterator<char>(in), {}};
    Settings all = settings;
    all.emplace_back("URL", std::getenv("BRIGHTWELL_SERVER_URL"));
    for (const auto &[tag, value] : all) {
        const bool removed = tag.front() == '-';
        const std::string name = removed ? tag.substr(1) : tag;
        text = std::regex_replace(text, std::regex("<" + name + ">[^<]*</" + name + ">"),
                                  removed ? "" : "<" + name + ">" + value + "</" + name + ">",
                                  std::regex_constants::format_first_only);
    }
    return text;
}

void LaunchTest::start(const Settings &settings, const std::string &commandLine) {
    Headless::resetMainWindowClass();
    ASSERT_TRUE(Kestrel::Platform::registerMainWindowClass({}));
    window = Kestrel::Platform::createMainWindow();
    rootElement = std::make_unique<Kestrel::WindowElement>(window);
    app->setRootElement(rootElement.get());
    folder.write("launcher.xml", configuration(settings));
    ASSERT_TRUE(app->loadConfiguration(folder / "launcher.xml"));
    loop = std::make_unique<Kestrel::MainLoop>(*app, window, [this] { return now; });
    Kestrel::CommandLine::apply(commandLine, *app);
    Kestrel::Platform::showWindow(window, Kestrel::Platform::ShowNormal);
}

void LaunchTest::serveVersions(const std::string &launcher, const std::string &manifest) const {
    writeConfigurationText("<?php\nreturn ['launcher' => ['version' => '" + launcher +
                           "', 'downloadPage' => 'https://www.example.com/new-launcher'],\n"
                           "'manifest' => ['version' => '" +
                           manifest +
                           "', 'file' => 'manifest-7.xml'],\n'releaseFolder' => 'release',\n"
                           "'users' => ['" +
                           PlayerName + "' => ['password' => '" + PlayerDigest +
                           "', 'values' => ['player', 'standard']]],\n'actions' => [],\n"
                           "'replies' => []];\n");
}

void LaunchTest::pass() {
    now += PassSeconds;
    loop->runPass();
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
    const fs::path record = folder / (folderName + "samplegame-commandline.txt");
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<int>(seconds * 1000));
    while (!fs::exists(record) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return fs::exists(record) ? folder.read(folderName + "samplegame-commandline.txt")
                              : "<not started>";
}

std::string LaunchTest::credentialsFile() const {
    const fs::path path = configurationFolder() + "credentials.xml";
    return fs::exists(path) ? folder.read("documents/Brightwell/configuration/credentials.xml")
                            : "<missing>";
}

} // namespace Testing
