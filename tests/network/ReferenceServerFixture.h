// Test fixture for the suites that talk to the PHP reference server, which
// scripts/with-reference-server.sh runs around the test program, over real HTTP.
#pragma once

#include "network/KSConnector.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace Testing {

class ReferenceServerFixture : public ::testing::Test {
protected:
    static inline const std::string PlayerName = "player";
    static inline const std::string PlayerDigest = "5f4dcc3b5aa765d61d8327deb882cf99";

    // Skips the test without the reference server, else writes the default configuration and
    // makes a connector for the server's script holding the player's credentials.
    void SetUp() override;

    // Replaces the configuration the server reads with every request: the property lines of the
    // player (its one user), and a fixed reply text when action is "auth" or "ver2".
    void configure(const std::vector<std::string> &properties, const std::string &action = "",
                   const std::string &reply = "") const;
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
