// Configuration files and release files of the reference server.
#include "tests/network/ReferenceServer.h"

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

std::string phpUser(const ServerUser &user) {
    std::string text = phpString(user.name) + " => ['password' => " +
                       phpString(user.passwordDigest) + ", 'values' => [" + phpString(user.value1) +
                       ", " + phpString(user.value2) + "], 'properties' => [";
    for (const std::string &property : user.properties)
        text += phpString(property) + ", ";
    return text + "]],\n";
}

void writeFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
} // namespace

ReferenceServer::ReferenceServer()
    : baseUrl(environment("BRIGHTWELL_SERVER_URL")), root(environment("BRIGHTWELL_SERVER_ROOT")),
      logFile(environment("BRIGHTWELL_SERVER_LOG")) {}

void ReferenceServer::configure(const ServerConfiguration &configuration) const {
    std::string text = "<?php\nreturn [\n";
    text += "'launcher' => ['version' => " + phpString(configuration.launcherVersion) +
            ", 'downloadPage' => " + phpString(configuration.downloadPage) + "],\n";
    text += "'manifest' => ['version' => " + phpString(configuration.manifestVersion) +
            ", 'file' => " + phpString(configuration.manifestFile) + "],\n";
    text += "'releaseFolder' => 'release',\n'users' => [\n";
    for (const ServerUser &user : configuration.users)
        text += phpUser(user);
    text += "],\n'actions' => " + phpMap(configuration.actions) + ",\n";
    text += "'replies' => " + phpMap(configuration.replies) + ",\n];\n";
    writeConfigurationText(text);
}

void ReferenceServer::writeConfigurationText(const std::string &text) const {
    writeFile(root + "ksserver.config.php", text);
}

void ReferenceServer::writeReleaseFile(const std::string &relative,
                                       const std::string &bytes) const {
    const std::filesystem::path file = std::filesystem::u8path(root + "release/" + relative);
    std::filesystem::create_directories(file.parent_path());
    writeFile(file.u8string(), bytes);
}

std::string ReferenceServer::errorLog() const {
    std::ifstream in(std::filesystem::u8path(logFile), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace Testing
