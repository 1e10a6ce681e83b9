// The transfer against a scripted server: request forms, broken replies, transport failures,
// progress and the refused nested download.
#include "network/KSConnectorImpl.h"
#include "tests/network/ScriptedServer.h"
#include "tests/support/FailureOf.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace KSNetwork;
using Testing::failureOf;
using Testing::ScriptedServer;

namespace {

using Operation = std::function<void(KSConnector &)>;

Operation authenticate(const std::string &user) {
    return [user](KSConnector &c) {
        AuthStatus status;
        c.authenticate(user, "typed-digest", &status);
    };
}

Operation checkVersion() {
    return [](KSConnector &c) {
        ServerStatus launcher, manifest;
        c.checkVersion("l20101210", "rX", &launcher, &manifest);
    };
}

Operation siteFile(const std::string &name) {
    return [name](KSConnector &c) {
        std::vector<char> buffer;
        c.downloadSiteFile(name, &buffer);
    };
}

Operation file(const std::string &path) {
    return [path](KSConnector &c) {
        std::vector<char> buffer;
        c.downloadFile(path, &buffer);
    };
}

Operation customMessage(bool withStoredValues) {
    return [withStoredValues](KSConnector &c) {
        CustomMessage message;
        message.action = "news";
        message.sendUid = message.sendPw = message.sendLog = withStoredValues;
        message.parameters = {{"action", "replaced"}, {"b", "a b&c"}, {"zz", "1/2"}};
        std::string reply;
        c.sendCustomMessage(message, reply);
    };
}

std::string reply(const std::string &statusLine, const std::string &body) {
    return statusLine + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

std::string text(const std::vector<char> &bytes) { return std::string(bytes.begin(), bytes.end()); }

// A package that arrives in several chunks, the last one after a pause.
const std::vector<std::string> SlowPackage{
    "HTTP/1.1 200 OK\r\nContent-Length: 12\r\nConnection: close\r\n\r\nabcd", "efgh", "ijkl"};
const std::string Script = "/ksclient/ksserver.php";

TEST(TransferTest, SendsParametersSortedByNameAndOnlyCustomValuesEncoded) {
    const struct {
        std::string path;
        Operation operation;
        std::string requestLine;
    } cases[] = {
        {Script, authenticate("typed.user"),
         "GET /ksclient/ksserver.php?action=auth&pw=typed-digest&uid=typed.user HTTP/1.1"},
        {"/s.php?site=2", authenticate("u"),
         "GET /s.php?site=2?action=auth&pw=typed-digest&uid=u HTTP/1.1"},
        {Script, checkVersion(),
         "GET /ksclient/ksserver.php?action=ver2&app=1&man=rX&pw=stored-digest&uid=stored-user&"
         "ver=l20101210 HTTP/1.1"},
        {Script, siteFile("packs/g1.zip"),
         "GET /ksclient/ksserver.php?action=download_pf&dirfile=packs/g1.zip&pw=stored-digest&"
         "uid=stored-user HTTP/1.1"},
        {Script, customMessage(true),
         "GET /ksclient/ksserver.php?action=news&b=a%20b%26c&log=&pw=stored-digest&"
         "uid=stored-user&zz=1%2f2 HTTP/1.1"},
        {Script, customMessage(false),
         "GET /ksclient/ksserver.php?action=news&b=a%20b%26c&zz=1%2f2 HTTP/1.1"},
        {Script, file(""), "GET /ksclient/ksserver.php HTTP/1.1"},
        {Script, file("/files/a.txt"), "GET /files/a.txt HTTP/1.1"},
        {Script, file("x?y=1"), "GET /ksclient/ksserver.phpx?y=1 HTTP/1.1"}};
    for (const auto &test : cases) {
        ScriptedServer server({reply("HTTP/1.1 200 OK", "FAILED")});
        KSConnectorImpl connector(server.url(test.path));
        connector.setCredentials("stored-user", "stored-digest");
        failureOf([&] { test.operation(connector); });
        EXPECT_EQ(server.requestLine(), test.requestLine);
        EXPECT_EQ(connector.getPath(), test.path);
    }
}

// libcurl refuses status lines without a three-digit code before the connector sees them (its own
// texts are pinned in HttpResponseTest), but reads a code after two blanks where the connector's
// split finds an empty word. An announced length is never trusted for the reservation.
TEST(TransferTest, BrokenReplyFailsTheDownloadWithItsTextAndResetsProgress) {
    const std::string error1 = "Error 1 in processing request : Unsupported protocol.";
    const std::string error18 =
        "Error 18 in processing request : Server reported incorrect file size..";
    const struct {
        std::vector<std::string> parts;
        std::string message;
        std::string received;
    } cases[] = {
        {{"HTTP/1.1 abc Broken\r\nConnection: close\r\n\r\nOK,a,b"}, error1, ""},
        {{"HTTP/1.1\r\nConnection: close\r\n\r\nOK"}, error1, ""},
        {{"HTTP/1.1  200 OK\r\nContent-Length: 8\r\n\r\n", "data", "more"},
         "Error: Invalid http response code \n",
         ""},
        {{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort"}, error18, "short"},
        {{"HTTP/1.1 200 OK\r\nContent-Length: 99999999999999\r\n\r\nabc"}, error18, "abc"}};
    for (const auto &test : cases) {
        SCOPED_TRACE(test.parts.front());
        ScriptedServer server(test.parts);
        KSConnectorImpl connector(server.url());
        std::vector<char> buffer;
        EXPECT_EQ(failureOf([&] { connector.downloadSiteFile("f", &buffer); }), test.message);
        EXPECT_EQ(connector.getProgress(), 0);
        EXPECT_EQ(text(buffer), test.received);
        EXPECT_LE(buffer.capacity(), std::size_t{512} * 1024 * 1024);
    }
}

TEST(TransferTest, InterimStatusDecidesTheStatusCode) {
    ScriptedServer server({"HTTP/1.1 100 Continue\r\n\r\n" + reply("HTTP/1.1 200 OK", "OK,a,b")});
    KSConnectorImpl connector(server.url());
    HttpResponse response;
    EXPECT_TRUE(connector.transfer({{"action", "auth"}}, &response));
    EXPECT_EQ(response.statusCode, 100);
    EXPECT_EQ(response.reason, "Continue\r\n ");
    EXPECT_EQ(response.body, "OK,a,b");
    ASSERT_GE(response.headers.size(), 3u);
    EXPECT_EQ(response.headers[0], "HTTP/1.1 100 Continue\r\n");
    EXPECT_EQ(response.headers[2], "HTTP/1.1 200 OK\r\n");
}

TEST(TransferTest, TextBodyEndsAtAZeroByte) {
    ScriptedServer server({reply("HTTP/1.1 200 OK", std::string("OK,a,b\0,c", 9))});
    AuthStatus status;
    EXPECT_TRUE(createConnector(server.url())->authenticate("u", "p", &status));
    EXPECT_EQ(status.value2, "b");
}

TEST(TransferTest, ErrorStatusFailsWithTheOperationsTextAndRestoresThePath) {
    const std::string longReason(3000, 'r'), longUser(700, 'u');
    const std::string requestFailed = "Request Failed. Http Response code: ";
    const struct {
        std::string statusLine;
        std::string user;
        Operation operation;
        std::string message;
    } cases[] = {{"HTTP/1.1 503 Service Unavailable", "player", authenticate("u"),
                  requestFailed + "503, Response Message: Service Unavailable\r\n "},
                 {"HTTP/1.0 404 Not Found", "player", checkVersion(),
                  requestFailed + "404, Response Message: Not Found\r\n "},
                 {"HTTP/1.1 404 Not Found", "player", file("/a.txt"), "File not found. /a.txt"},
                 // Both texts are built in fixed-size buffers: long values are cut, never overrun.
                 {"HTTP/1.1 500 " + longReason, "player", authenticate("u"),
                  requestFailed + "500, Response Message: " +
                      longReason.substr(0, 1023 - requestFailed.size() - 23)},
                 {"HTTP/1.1 401 Unauthorized", longUser, siteFile("f"), longUser.substr(0, 499)}};
    for (const auto &test : cases) {
        SCOPED_TRACE(test.statusLine.substr(0, 40));
        ScriptedServer server({reply(test.statusLine, "error page\n")});
        KSConnectorImpl connector(server.url());
        connector.setCredentials(test.user, "digest");
        EXPECT_EQ(failureOf([&] { test.operation(connector); }), test.message);
        EXPECT_EQ(connector.getPath(), Script);
    }
}

TEST(ProgressTest, BufferDownloadsReportTheGrowingSizeWithHeldBytesAndTextTransfersNone) {
    ScriptedServer server(SlowPackage, 2);
    KSConnectorImpl connector(server.url());
    std::vector<std::int32_t> seen;
    connector.setProgressCallback([&] { seen.push_back(connector.getProgress()); });
    AuthStatus status;
    failureOf([&] { connector.authenticate("u", "p", &status); });
    EXPECT_TRUE(seen.empty());
    std::vector<char> buffer(10, 'x');
    ASSERT_TRUE(connector.downloadFile("/pack.zip", &buffer));
    EXPECT_EQ(text(buffer), "xxxxxxxxxxabcdefghijkl");
    ASSERT_FALSE(seen.empty());
    EXPECT_GT(seen.front(), 10);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), 22);
    EXPECT_EQ(connector.getProgress(), 0);
}

// A nested transfer would reset the running download's state under it.
TEST(NestedTransferTest, RequestsFromInsideTheCallbackFailWithoutDisturbingTheDownload) {
    ScriptedServer server(SlowPackage);
    KSConnectorImpl connector(server.url());
    int refusals = 0;
    bool progressKept = true;
    std::string nestedFailure;
    std::vector<char> inner;
    connector.setProgressCallback([&] {
        const std::int32_t before = connector.getProgress();
        refusals += connector.downloadSiteFile("other.zip", &inner) ? 0 : 1;
        refusals += connector.downloadFile("/other", &inner) ? 0 : 1;
        AuthStatus status;
        nestedFailure = failureOf([&] { connector.authenticate("u", "p", &status); });
        progressKept = progressKept && connector.getProgress() == before;
    });
    std::vector<char> buffer;
    ASSERT_TRUE(connector.downloadSiteFile("pack.zip", &buffer));
    EXPECT_GE(refusals, 2);
    EXPECT_EQ(refusals % 2, 0);
    EXPECT_TRUE(progressKept);
    EXPECT_TRUE(inner.empty());
    EXPECT_EQ(nestedFailure, "Error 93 in processing request : Unknown error occured..");
    EXPECT_EQ(text(buffer), "abcdefghijkl");
    EXPECT_EQ(connector.getPath(), Script);
}

TEST(NestedTransferTest, FailureOfTheCallbackReachesTheCallerAndTheConnectorRecovers) {
    ScriptedServer server(SlowPackage, 2);
    KSConnectorImpl connector(server.url());
    bool failOnce = true;
    connector.setProgressCallback([&] {
        if (std::exchange(failOnce, false))
            throw std::length_error("window closed");
    });
    std::vector<char> buffer;
    EXPECT_EQ(failureOf([&] { connector.downloadSiteFile("pack.zip", &buffer); }), "window closed");
    EXPECT_EQ(connector.getProgress(), 0);
    std::vector<char> again;
    ASSERT_TRUE(connector.downloadSiteFile("pack.zip", &again));
    EXPECT_EQ(text(again), "abcdefghijkl");
}

TEST(ConnectionLogTest, WritesTheLineBeforeTheRequestThatFailsWithError7) {
    const std::string longUser(600, 'u');
    const std::pair<Operation, std::string> cases[] = {
        {authenticate("player"), "Connection: Authenticate player\n"},
        {authenticate(longUser), "Connection: Authenticate " + longUser.substr(0, 511 - 25) + "\n"},
        {checkVersion(), "Connection: Check launcher version\n"},
        {siteFile("f"), "Connection: Download site\n"},
        {customMessage(false), "Connection: Custom message with action \"news\"\n"},
        {file(""), ""}};
    const std::string url =
        "http://127.0.0.1:" + std::to_string(Testing::closedLoopbackPort()) + Script;
    for (const auto &test : cases) {
        SCOPED_TRACE(test.second.substr(0, 40));
        const auto connector = createConnector(url);
        Testing::LogCapture log;
        EXPECT_EQ(failureOf([&] { test.first(*connector); }),
                  "Error 7 in processing request : Could not establish connection to remote host.");
        EXPECT_EQ(log.text(), test.second);
    }
}

} // namespace
