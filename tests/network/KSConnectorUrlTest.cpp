// Reading scheme, host, port and path out of the connector's URL.
#include "network/KSConnectorImpl.h"

#include <gtest/gtest.h>

#include <stdexcept>

using KSNetwork::KSConnectorImpl;
using KSNetwork::Scheme;

namespace {

struct UrlCase {
    std::string url;
    Scheme scheme;
    std::string host;
    std::int32_t port;
    std::string path;
};

void PrintTo(const UrlCase &value, std::ostream *out) { *out << value.url; }

class UrlParsingTest : public ::testing::TestWithParam<UrlCase> {};

TEST_P(UrlParsingTest, ReadsSchemeHostPortAndPath) {
    const KSConnectorImpl connector(GetParam().url);
    EXPECT_EQ(connector.getScheme(), GetParam().scheme);
    EXPECT_EQ(connector.getHost(), GetParam().host);
    EXPECT_EQ(connector.getPort(), GetParam().port);
    EXPECT_EQ(connector.getPath(), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Urls, UrlParsingTest,
    ::testing::Values(
        UrlCase{"HTTP://Example.COM/KSClient/ksserver.php", Scheme::Http, "Example.COM", 80,
                "/KSClient/ksserver.php"},
        UrlCase{"https://example.com", Scheme::Https, "example.com", 443, "/"},
        UrlCase{"HtTpS://example.com:8443/a", Scheme::Https, "example.com", 8443, "/a"},
        UrlCase{"ftp://files.example.com/pub", Scheme::Ftp, "files.example.com", 21, "/pub"},
        UrlCase{"sftp://files.example.com", Scheme::Sftp, "files.example.com", 22, "/"},
        UrlCase{"http://host/path?query=1&b=2#part", Scheme::Http, "host", 80,
                "/path?query=1&b=2#part"},
        UrlCase{"http://127.0.0.1:-5/x", Scheme::Http, "127.0.0.1", -5, "/x"},
        UrlCase{"http://host:81abc/x", Scheme::Http, "host", 81, "/x"},
        UrlCase{"http:ab127.0.0.1/x", Scheme::Http, "127.0.0.1", 80, "/x"},
        UrlCase{"http:", Scheme::Http, "", 80, "/"},
        UrlCase{"http://host//double//slash/", Scheme::Http, "host", 80, "//double//slash/"}));

struct RefusedUrlCase {
    std::string url;
    std::string message;
    bool invalidArgument;
};

void PrintTo(const RefusedUrlCase &value, std::ostream *out) { *out << value.url; }

class RefusedUrlTest : public ::testing::TestWithParam<RefusedUrlCase> {};

TEST_P(RefusedUrlTest, FailsWithTheUrlError) {
    try {
        KSNetwork::createConnector(GetParam().url);
        FAIL() << "no failure";
    } catch (const std::invalid_argument &error) {
        EXPECT_TRUE(GetParam().invalidArgument);
        EXPECT_EQ(std::string(error.what()), GetParam().message);
    } catch (const std::runtime_error &error) {
        EXPECT_FALSE(GetParam().invalidArgument);
        EXPECT_EQ(std::string(error.what()), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Urls, RefusedUrlTest,
    ::testing::Values(RefusedUrlCase{"no colon here", "Invalid URL. no colon here", false},
                      RefusedUrlCase{"", "Invalid URL. ", false},
                      RefusedUrlCase{"gopher://host/", "Invalid Scheme: gopher", true},
                      RefusedUrlCase{"GOPHER://host/", "Invalid Scheme: gopher", true},
                      RefusedUrlCase{"://host/", "Invalid Scheme: ", true},
                      RefusedUrlCase{"http://host:0/x", "Invalid port number: 0", true},
                      RefusedUrlCase{"http://host:abc/x", "Invalid port number: abc", true},
                      RefusedUrlCase{"https://host:", "Invalid port number: ", true},
                      RefusedUrlCase{"http://[::1]:80/", "Invalid port number: :1]:80", true}));

} // namespace
