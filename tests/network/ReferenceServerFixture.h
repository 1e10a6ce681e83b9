// Test fixture for the suites that talk to the PHP reference server, which
// scripts/with-reference-server.sh runs around the test program, over real HTTP.
#pragma once

#include "network/KSConnector.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Testing {

// What the tests vary in the server's configuration; its one user is the fixture's player.
struct ServerConfiguration {
    std::vector<std::string> playerProperties;
    std::map<std::string, std::string> actions{{"echo", "{query}"}, {"lines", "a\r\n\r\n"}};
    // Fixed reply texts of "auth" or "ver2".
    std::map<std::string, std::string> replies;
};

class ReferenceServerFixture : public ::testing::Test {
protected:
    static const std::string PlayerName;
    static const std::string PlayerDigest;

    // Skips the test without the reference server, else writes the default configuration and
    // makes a connector for the server's script.
    void SetUp() override;

    // Replaces the configuration the server reads with every request.
    void configure(const ServerConfiguration &configuration) const;
    // Replaces the configuration file with exactly text.
    void writeConfigurationText(const std::string &text) const;
    // Writes a file below the release folder, creating its folders.
    void writeReleaseFile(const std::string &relative, const std::string &bytes) const;
    // Everything the server has written with error_log so far.
    std::string errorLog() const;

    std::string root;
    std::unique_ptr<KSNetwork::KSConnector> connector;
};

} // namespace Testing
