// The reference-server fixture.
#include "tests/network/ReferenceServerFixture.h"

#include <stdexcept>

namespace Testing {

const ServerUser ReferenceServerFixture::Player{
    "player", "5f4dcc3b5aa765d61d8327deb882cf99", "player", "standard", {}};

void ReferenceServerFixture::SetUp() {
    if (!server.available())
        GTEST_SKIP() << "needs the reference server: run through scripts/with-reference-server.sh";
    server.configure(defaultConfiguration());
    connector = KSNetwork::createConnector(server.scriptUrl());
}

ServerConfiguration ReferenceServerFixture::defaultConfiguration() {
    ServerConfiguration configuration;
    configuration.users.push_back(Player);
    return configuration;
}

std::string ReferenceServerFixture::failureOf(const std::function<void()> &work) {
    try {
        work();
    } catch (const std::exception &error) {
        return error.what();
    }
    return std::string();
}

} // namespace Testing
