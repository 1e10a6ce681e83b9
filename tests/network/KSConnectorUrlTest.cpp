// Reading scheme, host, port and path out of the connector's URL.
#include "network/KSConnectorImpl.h"
#include "tests/support/FailureOf.h"

#include <gtest/gtest.h>

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
        {"HtTpS://example.com:8443/a", Scheme::Https, "example.com", 8443, "/a"},
        {"ftp://files.example.com/pub", Scheme::Ftp, "files.example.com", 21, "/pub"},
        {"sftp://files.example.com", Scheme::Sftp, "files.example.com", 22, "/"},
        {"http://host/path?query=1&b=2#part", Scheme::Http, "host", 80, "/path?query=1&b=2#part"},
        {"http://127.0.0.1:-5/x", Scheme::Http, "127.0.0.1", -5, "/x"},
        {"http://host:81abc/x", Scheme::Http, "host", 81, "/x"},
        {"http:ab127.0.0.1/x", Scheme::Http, "127.0.0.1", 80, "/x"},
        {"http:", Scheme::Http, "", 80, "/"},
        {"http://host//double//slash/", Scheme::Http, "host", 80, "//double//slash/"}};
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
    expectRefused<std::runtime_error>("", "Invalid URL. ");
    const std::pair<std::string, std::string> invalidArguments[] = {
        {"gopher://host/", "Invalid Scheme: gopher"},
        {"GOPHER://host/", "Invalid Scheme: gopher"},
        {"://host/", "Invalid Scheme: "},
        {"http://host:0/x", "Invalid port number: 0"},
        {"http://host:abc/x", "Invalid port number: abc"},
        {"https://host:", "Invalid port number: "},
        {"http://[::1]:80/", "Invalid port number: :1]:80"}};
    for (const auto &test : invalidArguments)
        expectRefused<std::invalid_argument>(test.first, test.second);
}

} // namespace
