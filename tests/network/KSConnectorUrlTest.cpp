// Reading scheme, host, port and path out of the connector's URL.
#include "network/KSConnectorImpl.h"
#include "tests/support/FailureOf.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

using KSNetwork::Scheme;

namespace {

TEST(UrlParsingTest, ReadsSchemeHostPortAndPath) {
    const struct {
        std::string url;
        Scheme scheme;
        std::string host;
        std::int32_t port;
        std::string path;
    } cases[] = {
        {"HTTP://Example.COM/KSClient/ksserver.php", Scheme::Http, "Example.COM", 80,
         "/KSClient/ksserver.php"},
        {"https://example.com", Scheme::Https, "example.com", 443, "/"},
        {"sftp://files.example.com", Scheme::Sftp, "files.example.com", 22, "/"},
        {"http://127.0.0.1:-5/x", Scheme::Http, "127.0.0.1", -5, "/x"},
        // Read with a 32-bit clamp: the C library's atoi is undefined for values that do not fit.
        {"http://host:99999999999/x", Scheme::Http, "host",
         std::numeric_limits<std::int32_t>::max(), "/x"}};
    for (const auto &test : cases) {
        SCOPED_TRACE(test.url);
        const KSNetwork::KSConnectorImpl connector(test.url);
        EXPECT_EQ(connector.getScheme(), test.scheme);
        EXPECT_EQ(connector.getHost(), test.host);
        EXPECT_EQ(connector.getPort(), test.port);
        EXPECT_EQ(connector.getPath(), test.path);
    }
}

template <typename Error> void expectRefused(const std::string &url, const std::string &message) {
    SCOPED_TRACE(url);
    EXPECT_THROW(KSNetwork::createConnector(url), Error);
    EXPECT_EQ(Testing::failureOf([&] { KSNetwork::createConnector(url); }), message);
}

TEST(UrlParsingTest, RefusesWithTheUrlError) {
    expectRefused<std::runtime_error>("no colon here", "Invalid URL. no colon here");
    expectRefused<std::invalid_argument>("GOPHER://host/", "Invalid Scheme: gopher");
    expectRefused<std::invalid_argument>("http://host:0/x", "Invalid port number: 0");
    expectRefused<std::invalid_argument>("http://host:abc/x", "Invalid port number: abc");
}

} // namespace
