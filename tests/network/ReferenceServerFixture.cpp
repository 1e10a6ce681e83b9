// The reference-server fixture: the configuration file and release folder the server reads.
#include "tests/network/ReferenceServerFixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace Testing {

namespace {
std::string environment(const char *name) {
    const char *value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

// A PHP single-quoted literal holds every byte as it is, except backslash and quote.
std::string phpString(const std::string &text) {
    std::string literal = "'";
    for (const char c : text) {
        if (c == '\\' || c == '\'')
            literal += '\\';
        literal += c;
    }
    return literal + "'";
}

std::string phpMap(const std::map<std::string, std::string> &entries) {
    std::string text = "[";
    for (const auto &entry : entries)
        text += phpString(entry.first) + " => " + phpString(entry.second) + ", ";
    return text + "]";
}

void writeFile(const std::filesystem::path &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
} // namespace

const std::string ReferenceServerFixture::PlayerName = "player";
const std::string ReferenceServerFixture::PlayerDigest = "5f4dcc3b5aa765d61d8327deb882cf99";

void ReferenceServerFixture::SetUp() {
    root = environment("BRIGHTWELL_SERVER_ROOT");
    const std::string url = environment("BRIGHTWELL_SERVER_URL");
    if (root.empty() || url.empty())
        GTEST_SKIP() << "needs the reference server: run through scripts/with-reference-server.sh";
    configure(ServerConfiguration());
    connector = KSNetwork::createConnector(url + "/ksclient/ksserver.php");
}

void ReferenceServerFixture::configure(const ServerConfiguration &configuration) const {
    std::string text = "<?php\nreturn [\n'launcher' => ['version' => 'l20101210', 'downloadPage' "
                       "=> 'https://www.example.com/new-launcher'],\n'manifest' => ['version' => "
                       "'7', 'file' => 'manifest-7.xml'],\n'releaseFolder' => 'release',\n";
    text += "'users' => [" + phpString(PlayerName) + " => ['password' => " +
            phpString(PlayerDigest) + ", 'values' => ['player', 'standard'], 'properties' => [";
    for (const std::string &property : configuration.playerProperties)
        text += phpString(property) + ", ";
    text += "]]],\n'actions' => " + phpMap(configuration.actions) + ",\n";
    writeConfigurationText(text + "'replies' => " + phpMap(configuration.replies) + ",\n];\n");
}

void ReferenceServerFixture::writeConfigurationText(const std::string &text) const {
    writeFile(std::filesystem::u8path(root + "ksserver.config.php"), text);
}

void ReferenceServerFixture::writeReleaseFile(const std::string &relative,
                                              const std::string &bytes) const {
    const std::filesystem::path file = std::filesystem::u8path(root + "release/" + relative);
    std::filesystem::create_directories(file.parent_path());
    writeFile(file, bytes);
}

std::string ReferenceServerFixture::errorLog() const {
    std::ifstream in(std::filesystem::u8path(environment("BRIGHTWELL_SERVER_LOG")),
                     std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace Testing
