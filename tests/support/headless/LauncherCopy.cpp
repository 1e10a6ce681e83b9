// Configurations with tags replaced, and copies of the launcher program beside them.
#include "tests/support/headless/LauncherCopy.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

namespace fs = std::filesystem;

namespace Testing {

namespace {

fs::path shippedStates() {
    return fs::path(BRIGHTWELL_LAUNCHER_PROGRAM).parent_path() / "gameStates";
}

} // namespace

const Settings QuickPauses = {{"messageDisplayTime", "0.01"},
                              {"localVerLingerTime", "0.05"},
                              {"lingerTime", "0.05"},
                              {"retryWait", "0.01"}};

std::string withSettings(std::string text, const Settings &settings) {
    for (const auto &[tag, value] : settings) {
        if (tag.front() == '+') {
            const std::string name = tag.substr(1);
            text.insert(text.rfind("</launcher>"), "<" + name + ">" + value + "</" + name + ">");
            continue;
        }
        const bool removed = tag.front() == '-';
        const std::string name = removed ? tag.substr(1) : tag;
        text = std::regex_replace(text, std::regex("<" + name + ">[^<]*</" + name + ">"),
                                  removed ? "" : "<" + name + ">" + value + "</" + name + ">",
                                  std::regex_constants::format_first_only);
    }
    return text;
}

std::string quickConfiguration(const Settings &settings) {
    std::ifstream in(shippedStates() / "launcher.xml", std::ios::binary);
    const std::string shipped{std::istreambuf_iterator<char>(in), {}};
    return withSettings(withSettings(shipped, QuickPauses), settings);
}

void installLauncherCopy(const std::string &folder, const Settings &settings) {
    fs::create_directories(fs::path(folder) / "gameStates");
    fs::copy(shippedStates(), fs::path(folder) / "gameStates");
    fs::copy_file(BRIGHTWELL_LAUNCHER_PROGRAM, fs::path(folder) / "brightwell");
    std::ofstream(fs::path(folder) / "gameStates/launcher.xml", std::ios::binary)
        << quickConfiguration(settings);
}

} // namespace Testing
