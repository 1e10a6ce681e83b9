// Transfers against a scripted server: broken replies, the refused nested transfer, failing
// callbacks, and the log line before a refused connection.
#include "network/KSConnectorImpl.h"
#include "tests/network/ScriptedServer.h"
#include "tests/support/FailureOf.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace KSNetwork;
using Testing::failureOf;
using Testing::ScriptedServer;

namespace {

std::string text(const std::vector<char> &bytes) { return std::string(bytes.begin(), bytes.end()); }

// Arrives in three chunks, so the progress callback runs while the transfer is still on.
const std::vector<std::string> SlowPackage{
    "HTTP/1.1 200 OK\r\nContent-Length: 12\r\nConnection: close\r\n\r\nabcd", "efgh", "ijkl"};

// libcurl refuses status lines without a three-digit code, but reads one after two blanks where the
// connector's split finds none. An announced length is never trusted for the reservation.
TEST(TransferTest, BrokenReplyFailsTheDownloadWithItsTextAndResetsProgress) {
    const std::string error1 = "Error 1 in processing request : Unsupported protocol.";
    const std::string error18 =
        "Error 18 in processing request : Server reported incorrect file size..";
    const struct {
        std::vector<std::string> parts;
        std::string message;
        std::string received;
    } cases[] = {{{"HTTP/1.1 abc Broken\r\nConnection: close\r\n\r\nOK,a,b"}, error1, ""},
                 {{"HTTP/1.1\r\nConnection: close\r\n\r\nOK"}, error1, ""},
                 {{"HTTP/1.1  200 OK\r\nContent-Length: 8\r\n\r\n", "data", "more"},
                  "Error: Invalid http response code \n",
                  ""},
                 {{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort"}, error18, "short"},
                 // Small enough that an uncapped reservation would be granted.
                 {{"HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n\r\nabc"}, error18, "abc"}};
    for (const auto &test : cases) {
        SCOPED_TRACE(test.parts.front());
        ScriptedServer server(test.parts);
        KSConnectorImpl connector(server.url());
        connector.setTransferSettings(Testing::singleTry());
        std::vector<char> buffer;
        EXPECT_EQ(failureOf([&] { connector.downloadSiteFile("f", &buffer); }), test.message);
        EXPECT_EQ(connector.getProgress(), 0);
        EXPECT_EQ(text(buffer), test.received);
        EXPECT_LE(buffer.capacity(), std::size_t{512} * 1024 * 1024);
    }
}

// Interim replies and a proxy's answer come first; the final reply's status line counts, and
// each status line starts the reason afresh.
TEST(TransferTest, TheLastStatusLineDecides) {
    ScriptedServer server({"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 6\r\n"
                           "Connection: close\r\n\r\nOK,a,b"});
    KSConnectorImpl connector(server.url());
    HttpResponse response;
    EXPECT_TRUE(connector.transfer({{"action", "auth"}}, &response));
    EXPECT_EQ(response.statusCode, 200);
    EXPECT_EQ(response.reason, "OK\r\n ");
    EXPECT_EQ(response.body, "OK,a,b");
    ASSERT_GE(response.headers.size(), 3u);
    EXPECT_EQ(response.headers[0], "HTTP/1.1 100 Continue\r\n");
    EXPECT_EQ(response.headers[2], "HTTP/1.1 200 OK\r\n");

    // As libcurl hands over a tunnel through an HTTPS proxy; a header named like a status line
    // inside a block is no status line.
    HttpResponse proxied;
    for (std::string line : {"HTTP/1.1 200 Connection established\r\n", "\r\n",
                             "HTTP/1.1 404 Not Found\r\n", "HTTP-Note: 200 OK\r\n", "\r\n"})
        EXPECT_EQ(
            Response::receiveHeader(line.data(), 1, line.size(), static_cast<Response *>(&proxied)),
            line.size());
    EXPECT_EQ(proxied.statusCode, 404);
    EXPECT_EQ(proxied.reason, "Not Found\r\n ");
}

// Behind interim replies, another status fails with its own text, and a custom message answers
// false without touching the caller's reply.
TEST(TransferTest, AnErrorBehindAnInterimReplyFailsWithItsOwnText) {
    const std::string interim = "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\n\r\n";
    ScriptedServer notFound({interim + "HTTP/1.1 404 Not Found\r\nContent-Length: 2\r\n\r\nno"}, 2);
    ScriptedServer unauthorized(
        {interim + "HTTP/1.1 401 Unauthorized\r\nContent-Length: 2\r\n\r\nno"});
    std::vector<char> buffer;
    EXPECT_EQ(failureOf([&] { createConnector(notFound.url())->downloadSiteFile("f", &buffer); }),
              "File not found, f");
    AuthStatus status;
    EXPECT_EQ(
        failureOf([&] { createConnector(unauthorized.url())->authenticate("u", "p", &status); }),
        "Request Failed. Http Response code: 401, Response Message: Unauthorized\r\n ");
    CustomMessage message;
    message.action = "news";
    std::string reply = "kept";
    EXPECT_FALSE(createConnector(notFound.url())->sendCustomMessage(message, reply));
    EXPECT_EQ(reply, "kept");
}

// Every value goes out as held, in the order of the parameter names.
TEST(TransferTest, RequestLinesCarryTheParametersInNameOrder) {
    ScriptedServer server({"HTTP/1.1 200 OK\r\nContent-Length: 6\r\nConnection: close\r\n\r\n"
                           "FAILED"},
                          3);
    const auto connector = createConnector(server.url());
    AuthStatus status;
    EXPECT_FALSE(connector->authenticate("Us:er@1", "d1g/est", &status));
    connector->setCredentials("Pl@yer", "5f4d");
    ServerStatus launcher, manifest;
    failureOf([&] { connector->checkVersion("l2010,1", "m/7", &launcher, &manifest); });
    std::vector<char> buffer;
    EXPECT_TRUE(connector->downloadSiteFile("packages/base.zip", &buffer));
    const std::string script = "GET /ksclient/ksserver.php?";
    EXPECT_EQ(server.requestLines(),
              (std::vector<std::string>{
                  script + "action=auth&pw=d1g/est&uid=Us:er@1 HTTP/1.1",
                  script + "action=ver2&app=1&man=m/7&pw=5f4d&uid=Pl@yer&ver=l2010,1 HTTP/1.1",
                  script + "action=download_pf&dirfile=packages/base.zip&pw=5f4d&uid=Pl@yer "
                           "HTTP/1.1"}));
}

// A nested transfer would reset the running download's state under it, so requests from inside
// the progress callback fail and leave the download alone; a callback's own failure reaches the
// caller, and the connector serves the next download.
TEST(NestedTransferTest, TheCallbackCannotDisturbTheDownloadAndItsFailureReachesTheCaller) {
    ScriptedServer server(SlowPackage, 2);
    KSConnectorImpl connector(server.url());
    connector.setProgressCallback([] { throw std::length_error("window closed"); });
    std::vector<char> failed, buffer;
    EXPECT_EQ(failureOf([&] { connector.downloadSiteFile("pack.zip", &failed); }), "window closed");
    EXPECT_EQ(connector.getProgress(), 0);

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
    ASSERT_TRUE(connector.downloadSiteFile("pack.zip", &buffer));
    EXPECT_GE(refusals, 2);
    EXPECT_EQ(refusals % 2, 0);
    EXPECT_TRUE(progressKept);
    EXPECT_TRUE(inner.empty());
    EXPECT_EQ(nestedFailure, "Error 93 in processing request : Unknown error occured..");
    EXPECT_EQ(text(buffer), "abcdefghijkl");
    EXPECT_EQ(connector.getPath(), "/ksclient/ksserver.php");
    EXPECT_EQ(connector.getProgress(), 0);
}

// The log line is written before the request, and a long user name is cut, never overrun.
TEST(ConnectionLogTest, WritesTheCutLineBeforeTheRequestThatFailsWithError7) {
    const std::string user(600, 'u');
    const auto connector =
        createConnector("http://127.0.0.1:" + std::to_string(Testing::closedLoopbackPort()) + "/x");
    connector->setTransferSettings(Testing::singleTry());
    Testing::LogCapture log;
    AuthStatus status;
    EXPECT_EQ(failureOf([&] { connector->authenticate(user, "p", &status); }),
              "Error 7 in processing request : Could not establish connection to remote host.");
    EXPECT_EQ(log.text(), "Connection: Authenticate " + user.substr(0, 511 - 25) + "\n");
}

} // namespace
