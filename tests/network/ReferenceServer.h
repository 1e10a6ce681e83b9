// The PHP reference server that scripts/with-reference-server.sh runs around the test program:
// its address, and the configuration file and release folder it reads, which tests rewrite.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace Testing {

struct ServerUser {
    std::string name;
    std::string passwordDigest;
    std::string value1;
    std::string value2;
    std::vector<std::string> properties;
};

struct ServerConfiguration {
    std::string launcherVersion = "l20101210";
    std::string downloadPage = "https://www.example.com/new-launcher";
    std::string manifestVersion = "7";
    std::string manifestFile = "manifest-7.xml";
    std::vector<ServerUser> users;
    std::map<std::string, std::string> actions;
    // Fixed reply texts of "auth" or "ver2".
    std::map<std::string, std::string> replies;
};

class ReferenceServer {
public:
    // Reads the server's settings from the environment the script exported.
    ReferenceServer();

    // Whether the program runs under the script (otherwise nothing else here is usable).
    bool available() const { return !baseUrl.empty() && !root.empty(); }
    // The address of ksserver.php.
    std::string scriptUrl() const { return baseUrl + "/ksclient/ksserver.php"; }
    // The base address without the script's path.
    const std::string &address() const { return baseUrl; }

    // Replaces the configuration the server reads with every request.
    void configure(const ServerConfiguration &configuration) const;
    // Replaces the configuration file with exactly text.
    void writeConfigurationText(const std::string &text) const;
    // Writes a file below the release folder, creating its folders.
    void writeReleaseFile(const std::string &relative, const std::string &bytes) const;
    // Everything the server has written with error_log so far.
    std::string errorLog() const;

private:
    std::string baseUrl;
    std::string root;
    std::string logFile;
};

} // namespace Testing
