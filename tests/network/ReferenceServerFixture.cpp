// The reference-server fixture: the configuration file and release folder the server reads.
#include "tests/network/ReferenceServerFixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace Testing {

namespace {
std::string environment(const char *name) {
    return std::getenv(name) == nullptr ? std::string() : std::getenv(name);
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

void writeFile(const std::filesystem::path &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
} // namespace

void ReferenceServerFixture::SetUp() {
    root = environment("BRIGHTWELL_SERVER_ROOT");
    const std::string url = environment("BRIGHTWELL_SERVER_URL");
    if (root.empty() || url.empty())
        GTEST_SKIP() << "needs the reference server: run through scripts/with-reference-server.sh";
    configure({});
    connector = KSNetwork::createConnector(url + "/ksclient/ksserver.php");
    connector->setCredentials(PlayerName, PlayerDigest);
}

void ReferenceServerFixture::configure(const std::vector<std::string> &properties,
                                       const std::string &action, const std::string &reply) const {
    std::string text = "<?php\nreturn [\n'launcher' => ['version' => 'l20101210', 'downloadPage' "
                       "=> 'https://www.example.com/new-launcher'],\n'manifest' => ['version' => "
                       "'7', 'file' => 'manifest-7.xml'],\n'releaseFolder' => 'release',\n";
    text += "'users' => [" + phpString(PlayerName) + " => ['password' => " +
            phpString(PlayerDigest) + ", 'values' => ['player', 'standard'], 'properties' => [";
    for (const std::string &property : properties)
        text += phpString(property) + ", ";
    text += "]]],\n'actions' => ['echo' => '{query}', 'lines' => \"a\\r\\n\\r\\n\"],\n";
    writeConfigurationText(text + "'replies' => [" + phpString(action) + " => " + phpString(reply) +
                           "],\n];\n");
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
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace Testing
