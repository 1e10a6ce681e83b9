// Test fixture for the suites that talk to the PHP reference server over real HTTP.
#pragma once

#include "network/KSConnector.h"
#include "tests/network/ReferenceServer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace Testing {

class ReferenceServerFixture : public ::testing::Test {
protected:
    // A user that every configuration of these tests knows.
    static const ServerUser Player;

    // Skips the test when the program runs without the reference server, else writes
    // defaultConfiguration() and makes a connector for the server's script.
    void SetUp() override;

    // The server's configuration with Player as its only user.
    static ServerConfiguration defaultConfiguration();
    // The message of the std::exception that work throws; empty when it throws none.
    static std::string failureOf(const std::function<void()> &work);

    ReferenceServer server;
    std::unique_ptr<KSNetwork::KSConnector> connector;
};

} // namespace Testing
