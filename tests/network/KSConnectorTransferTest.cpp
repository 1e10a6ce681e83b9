// The transfer against a scripted server: request forms, broken replies, transport failures,
// progress and the refused nested download.
#include "network/KSConnectorImpl.h"
#include "tests/support/LogCapture.h"
#include "tests/network/ScriptedServer.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using KSNetwork::AuthStatus;
using KSNetwork::CustomMessage;
using KSNetwork::HttpResponse;
using KSNetwork::KSConnector;
using KSNetwork::KSConnectorImpl;
using KSNetwork::ServerStatus;
using Testing::ScriptedServer;

namespace {

std::string reply(const std::string &statusLine, const std::string &body) {
    return statusLine + "\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

std::string okReply(const std::string &body) { return reply("HTTP/1.1 200 OK", body); }

// The message of the std::exception that work throws; empty when it throws none.
std::string failureOf(const std::function<void()> &work) {
    try {
        work();
    } catch (const std::exception &error) {
        return error.what();
    }
    return std::string();
}

std::string closedPortUrl() {
    return "http://127.0.0.1:" + std::to_string(Testing::closedLoopbackPort()) +
           "/ksclient/ksserver.php";
}

struct RequestCase {
    std::string name;
    std::string replyBody;
    std::function<void(KSConnector &)> operation;
    std::string requestLine;
};

void PrintTo(const RequestCase &value, std::ostream *out) { *out << value.name; }

class RequestFormTest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(RequestFormTest, SendsParametersSortedByNameAndUnencoded) {
    ScriptedServer server({okReply(GetParam().replyBody)});
    const auto connector = KSNetwork::createConnector(server.url());
    connector->setCredentials("stored-user", "stored-digest");
    GetParam().operation(*connector);
    EXPECT_EQ(server.requestLine(), GetParam().requestLine);
}

CustomMessage newsMessage(bool withStoredValues) {
    CustomMessage message;
    message.action = "news";
    message.sendUid = withStoredValues;
    message.sendPw = withStoredValues;
    message.sendLog = withStoredValues;
    message.parameters = {{"action", "replaced"}, {"b", "a b&c"}, {"zz", "1/2"}};
    return message;
}

INSTANTIATE_TEST_SUITE_P(
    Operations, RequestFormTest,
    ::testing::Values(
        RequestCase{"Authenticate", "FAILED",
                    [](KSConnector &c) {
                        AuthStatus status;
                        c.authenticate("typed.user", "typed-digest", &status);
                    },
                    "GET /ksclient/ksserver.php?action=auth&pw=typed-digest&uid=typed.user "
                    "HTTP/1.1"},
        RequestCase{"CheckVersion", "OK",
                    [](KSConnector &c) {
                        ServerStatus launcher, manifest;
                        c.checkVersion("l20101210", "rX", &launcher, &manifest);
                    },
                    "GET /ksclient/ksserver.php?action=ver2&app=1&man=rX&pw=stored-digest&"
                    "uid=stored-user&ver=l20101210 HTTP/1.1"},
        RequestCase{"DownloadSiteFile", "bytes",
                    [](KSConnector &c) {
                        std::vector<char> buffer;
                        c.downloadSiteFile("packs/g1.zip", &buffer);
                    },
                    "GET /ksclient/ksserver.php?action=download_pf&dirfile=packs/g1.zip&"
                    "pw=stored-digest&uid=stored-user HTTP/1.1"},
        RequestCase{"CustomMessageWithStoredValues", "done",
                    [](KSConnector &c) {
                        std::string text;
                        c.sendCustomMessage(newsMessage(true), text);
                    },
                    "GET /ksclient/ksserver.php?action=news&b=a%20b%26c&log=&pw=stored-digest&"
                    "uid=stored-user&zz=1%2f2 HTTP/1.1"},
        RequestCase{"CustomMessageAlone", "done",
                    [](KSConnector &c) {
                        std::string text;
                        c.sendCustomMessage(newsMessage(false), text);
                    },
                    "GET /ksclient/ksserver.php?action=news&b=a%20b%26c&zz=1%2f2 HTTP/1.1"},
        RequestCase{"DownloadFileOfTheScriptItself", "x",
                    [](KSConnector &c) {
                        std::vector<char> buffer;
                        c.downloadFile("", &buffer);
                    },
                    "GET /ksclient/ksserver.php HTTP/1.1"},
        RequestCase{"DownloadFileAbsolute", "x",
                    [](KSConnector &c) {
                        std::vector<char> buffer;
                        c.downloadFile("/files/a.txt", &buffer);
                    },
                    "GET /files/a.txt HTTP/1.1"},
        RequestCase{"DownloadFileAppendedWithoutSeparator", "x",
                    [](KSConnector &c) {
                        std::vector<char> buffer;
                        c.downloadFile("x?y=1", &buffer);
                    },
                    "GET /ksclient/ksserver.phpx?y=1 HTTP/1.1"}),
    [](const ::testing::TestParamInfo<RequestCase> &info) { return info.param.name; });

TEST(TransferTest, UrlQueryStaysInFrontOfTheParameters) {
    ScriptedServer server({okReply("FAILED")});
    const auto connector = KSNetwork::createConnector(server.url("/s.php?site=2"));
    AuthStatus status;
    connector->authenticate("u", "p", &status);
    EXPECT_EQ(server.requestLine(), "GET /s.php?site=2?action=auth&pw=p&uid=u HTTP/1.1");
}

// libcurl itself refuses status lines without a three-digit code, before any header reaches the
// connector; the connector's own status-line errors are pinned in HttpResponseTest.
TEST(TransferTest, NonNumericStatusCodeIsRefusedByTheTransport) {
    ScriptedServer server({"HTTP/1.1 abc Broken\r\nConnection: close\r\n\r\nOK,a,b"});
    const auto connector = KSNetwork::createConnector(server.url());
    AuthStatus status;
    EXPECT_EQ(failureOf([&] { connector->authenticate("u", "p", &status); }),
              "Error 1 in processing request : Unsupported protocol.");
    EXPECT_FALSE(status.ok);
}

TEST(TransferTest, SingleWordStatusLineIsRefusedByTheTransport) {
    ScriptedServer server({"HTTP/1.1\r\nConnection: close\r\n\r\nOK"});
    const auto connector = KSNetwork::createConnector(server.url());
    std::string text = "untouched";
    EXPECT_EQ(failureOf([&] { connector->sendCustomMessage(newsMessage(false), text); }),
              "Error 1 in processing request : Unsupported protocol.");
    EXPECT_EQ(text, "untouched");
}

// libcurl reads the code after any number of blanks; the connector's split finds an empty word.
TEST(TransferTest, StatusLineFailureInsideLibcurlReachesTheCaller) {
    ScriptedServer server({"HTTP/1.1  200 OK\r\nConnection: close\r\n\r\nOK,a,b"});
    const auto connector = KSNetwork::createConnector(server.url());
    AuthStatus status;
    EXPECT_EQ(failureOf([&] { connector->authenticate("u", "p", &status); }),
              "Error: Invalid http response code \n");
    EXPECT_FALSE(status.ok);
}

TEST(TransferTest, StatusLineFailureDuringABufferDownloadResetsProgress) {
    ScriptedServer server({"HTTP/1.1  200 OK\r\nContent-Length: 8\r\n\r\n", "data", "more"});
    KSConnectorImpl connector(server.url());
    int calls = 0;
    connector.setProgressCallback([&] { ++calls; });
    std::vector<char> buffer;
    EXPECT_EQ(failureOf([&] { connector.downloadSiteFile("f", &buffer); }),
              "Error: Invalid http response code \n");
    EXPECT_EQ(connector.getProgress(), 0);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(buffer.empty());
}

TEST(TransferTest, InterimStatusDecidesTheStatusCode) {
    ScriptedServer server({"HTTP/1.1 100 Continue\r\n\r\n" + okReply("OK,a,b")});
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
    ScriptedServer server({okReply(std::string("OK,a,b\0,c", 9))});
    const auto connector = KSNetwork::createConnector(server.url());
    AuthStatus status;
    EXPECT_TRUE(connector->authenticate("u", "p", &status));
    EXPECT_EQ(status.value2, "b");
}

TEST(TransferTest, BodyShorterThanAnnouncedIsError18) {
    ScriptedServer server({"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort"});
    KSConnectorImpl connector(server.url());
    std::vector<char> buffer;
    EXPECT_EQ(failureOf([&] { connector.downloadSiteFile("f", &buffer); }),
              "Error 18 in processing request : Server reported incorrect file size..");
    EXPECT_EQ(connector.getProgress(), 0);
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), "short");
}

TEST(TransferTest, HostileContentLengthReservesNoMoreThanTheCap) {
    ScriptedServer server({"HTTP/1.1 200 OK\r\nContent-Length: 99999999999999\r\n\r\nabc"});
    const auto connector = KSNetwork::createConnector(server.url());
    std::vector<char> buffer;
    EXPECT_NE(failureOf([&] { connector->downloadSiteFile("f", &buffer); }), "");
    EXPECT_LE(buffer.capacity(), std::size_t{512} * 1024 * 1024);
}

TEST(TransferTest, ClosedPortIsError7) {
    const auto connector = KSNetwork::createConnector(closedPortUrl());
    ServerStatus launcher, manifest;
    EXPECT_EQ(failureOf([&] { connector->checkVersion("l", "m", &launcher, &manifest); }),
              "Error 7 in processing request : Could not establish connection to remote host.");
    EXPECT_FALSE(launcher.ok);
}

struct StatusCase {
    std::string name;
    std::string statusLine;
    std::function<void(KSConnector &)> operation;
    std::string message;
};

void PrintTo(const StatusCase &value, std::ostream *out) { *out << value.name; }

class ErrorStatusTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(ErrorStatusTest, FailsWithTheOperationsText) {
    ScriptedServer server({reply(GetParam().statusLine, "error page\n")});
    const auto connector = KSNetwork::createConnector(server.url());
    connector->setCredentials("player", "digest");
    EXPECT_EQ(failureOf([&] { GetParam().operation(*connector); }), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, ErrorStatusTest,
    ::testing::Values(
        StatusCase{"AuthenticateUnavailable", "HTTP/1.1 503 Service Unavailable",
                   [](KSConnector &c) {
                       AuthStatus status;
                       c.authenticate("u", "p", &status);
                   },
                   "Request Failed. Http Response code: 503, Response Message: Service "
                   "Unavailable\r\n "},
        StatusCase{"CheckVersionNotFound", "HTTP/1.0 404 Not Found",
                   [](KSConnector &c) {
                       ServerStatus launcher, manifest;
                       c.checkVersion("l", "m", &launcher, &manifest);
                   },
                   "Request Failed. Http Response code: 404, Response Message: Not Found\r\n "},
        StatusCase{"SiteFileUnauthorized", "HTTP/1.1 401 Unauthorized",
                   [](KSConnector &c) {
                       std::vector<char> buffer;
                       c.downloadSiteFile("a.zip", &buffer);
                   },
                   "player is not authorized to visit this site"},
        StatusCase{"SiteFileMissing", "HTTP/1.1 404 Not Found",
                   [](KSConnector &c) {
                       std::vector<char> buffer;
                       c.downloadSiteFile("a.zip", &buffer);
                   },
                   "File not found, a.zip"},
        StatusCase{"SiteFileForbidden", "HTTP/1.1 403 Forbidden",
                   [](KSConnector &c) {
                       std::vector<char> buffer;
                       c.downloadSiteFile("a.zip", &buffer);
                   },
                   "Http request failed. 403 Forbidden\r\n "},
        StatusCase{"FileMissing", "HTTP/1.1 404 Not Found",
                   [](KSConnector &c) {
                       std::vector<char> buffer;
                       c.downloadFile("/a.txt", &buffer);
                   },
                   "File not found. /a.txt"},
        StatusCase{"FileServerError", "HTTP/1.1 500 Internal Server Error",
                   [](KSConnector &c) {
                       std::vector<char> buffer;
                       c.downloadFile("b.txt", &buffer);
                   },
                   "Http request failed. 500 Internal Server Error\r\n "}),
    [](const ::testing::TestParamInfo<StatusCase> &info) { return info.param.name; });

TEST(ErrorTextTest, LongReasonIsCutTo1023Characters) {
    const std::string reason(3000, 'r');
    ScriptedServer server({reply("HTTP/1.1 500 " + reason, "")});
    const auto connector = KSNetwork::createConnector(server.url());
    AuthStatus status;
    const std::string prefix = "Request Failed. Http Response code: 500, Response Message: ";
    EXPECT_EQ(failureOf([&] { connector->authenticate("u", "p", &status); }),
              prefix + reason.substr(0, 1023 - prefix.size()));
}

TEST(ErrorTextTest, LongUserNameIsCutTo499Characters) {
    const std::string user(700, 'u');
    ScriptedServer server({reply("HTTP/1.1 401 Unauthorized", "")});
    const auto connector = KSNetwork::createConnector(server.url());
    connector->setCredentials(user, "digest");
    std::vector<char> buffer;
    EXPECT_EQ(failureOf([&] { connector->downloadSiteFile("f", &buffer); }), user.substr(0, 499));
}

TEST(CustomMessageStatusTest, OtherStatusReturnsFalseAndKeepsTheReply) {
    ScriptedServer server({reply("HTTP/1.1 400 Bad Request", "Unknown action")});
    const auto connector = KSNetwork::createConnector(server.url());
    std::string text = "before";
    EXPECT_FALSE(connector->sendCustomMessage(newsMessage(false), text));
    EXPECT_EQ(text, "before");
}

TEST(DownloadFileTest, AppendsBehindHeldBytesAndKeepsLineEnds) {
    ScriptedServer server({okReply("data\r\n")});
    KSConnectorImpl connector(server.url());
    std::vector<char> buffer{'h', 'e', 'l', 'd', '\n'};
    EXPECT_TRUE(connector.downloadFile("/data.txt", &buffer));
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), "held\ndata\r\n");
    EXPECT_EQ(connector.getPath(), "/ksclient/ksserver.php");
}

TEST(DownloadFileTest, PathIsRestoredAfterAFailure) {
    ScriptedServer server({reply("HTTP/1.1 404 Not Found", "")});
    KSConnectorImpl connector(server.url());
    std::vector<char> buffer;
    EXPECT_THROW(connector.downloadFile("/missing", &buffer), std::exception);
    EXPECT_EQ(connector.getPath(), "/ksclient/ksserver.php");
}

// A package that arrives in several chunks, the last one after a pause.
std::vector<std::string> slowPackage() {
    return {"HTTP/1.1 200 OK\r\nContent-Length: 12\r\nConnection: close\r\n\r\nabcd", "efgh",
            "ijkl"};
}

TEST(ProgressTest, ReportsTheGrowingSizeAfterEveryChunkAndResetsToZero) {
    ScriptedServer server(slowPackage());
    KSConnectorImpl connector(server.url());
    std::vector<std::int32_t> seen;
    connector.setProgressCallback([&] { seen.push_back(connector.getProgress()); });
    std::vector<char> buffer;
    ASSERT_TRUE(connector.downloadSiteFile("pack.zip", &buffer));
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), "abcdefghijkl");
    ASSERT_FALSE(seen.empty());
    EXPECT_GT(seen.front(), 0);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(seen.back(), 12);
    EXPECT_EQ(connector.getProgress(), 0);
}

TEST(ProgressTest, CountsBytesTheBufferHeldBefore) {
    ScriptedServer server({okReply("abc")});
    KSConnectorImpl connector(server.url());
    std::int32_t last = 0;
    connector.setProgressCallback([&] { last = connector.getProgress(); });
    std::vector<char> buffer(10, 'x');
    ASSERT_TRUE(connector.downloadFile("", &buffer));
    EXPECT_EQ(last, 13);
}

TEST(ProgressTest, TextTransfersReportNoProgress) {
    ScriptedServer server({okReply("OK,a,b")});
    KSConnectorImpl connector(server.url());
    int calls = 0;
    connector.setProgressCallback([&] { ++calls; });
    AuthStatus status;
    connector.authenticate("u", "p", &status);
    EXPECT_EQ(calls, 0);
}

TEST(NestedTransferTest, BufferDownloadFromInsideTheCallbackIsRefused) {
    ScriptedServer server(slowPackage());
    KSConnectorImpl connector(server.url());
    int refusals = 0;
    bool progressKept = true;
    std::vector<char> inner;
    connector.setProgressCallback([&] {
        const std::int32_t before = connector.getProgress();
        refusals += connector.downloadSiteFile("other.zip", &inner) ? 0 : 1;
        refusals += connector.downloadFile("/other", &inner) ? 0 : 1;
        progressKept = progressKept && connector.getProgress() == before;
    });
    std::vector<char> buffer;
    ASSERT_TRUE(connector.downloadSiteFile("pack.zip", &buffer));
    EXPECT_GE(refusals, 2);
    EXPECT_EQ(refusals % 2, 0);
    EXPECT_TRUE(progressKept);
    EXPECT_TRUE(inner.empty());
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), "abcdefghijkl");
    EXPECT_EQ(connector.getPath(), "/ksclient/ksserver.php");
}

TEST(NestedTransferTest, TextRequestFromInsideTheCallbackFailsWithoutDisturbingTheDownload) {
    ScriptedServer server(slowPackage());
    KSConnectorImpl connector(server.url());
    std::string nestedFailure;
    connector.setProgressCallback([&] {
        AuthStatus status;
        nestedFailure = failureOf([&] { connector.authenticate("u", "p", &status); });
    });
    std::vector<char> buffer;
    ASSERT_TRUE(connector.downloadSiteFile("pack.zip", &buffer));
    EXPECT_EQ(nestedFailure, "Error 93 in processing request : Unknown error occured..");
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), "abcdefghijkl");
}

TEST(NestedTransferTest, FailureOfTheCallbackReachesTheCallerAndTheConnectorRecovers) {
    ScriptedServer server(slowPackage(), 2);
    KSConnectorImpl connector(server.url());
    bool failOnce = true;
    connector.setProgressCallback([&] {
        if (std::exchange(failOnce, false))
            throw std::length_error("window closed");
    });
    std::vector<char> buffer;
    try {
        connector.downloadSiteFile("pack.zip", &buffer);
        ADD_FAILURE() << "no failure";
    } catch (const std::length_error &error) {
        EXPECT_EQ(std::string(error.what()), "window closed");
    }
    EXPECT_EQ(connector.getProgress(), 0);

    std::vector<char> again;
    ASSERT_TRUE(connector.downloadSiteFile("pack.zip", &again));
    EXPECT_EQ(std::string(again.begin(), again.end()), "abcdefghijkl");
}

struct LogCase {
    std::string name;
    std::function<void(KSConnector &)> operation;
    std::string line;
};

void PrintTo(const LogCase &value, std::ostream *out) { *out << value.name; }

class ConnectionLogTest : public ::testing::TestWithParam<LogCase> {};

TEST_P(ConnectionLogTest, WritesTheLineBeforeTheRequest) {
    const auto connector = KSNetwork::createConnector(closedPortUrl());
    Testing::LogCapture log;
    EXPECT_THROW(GetParam().operation(*connector), std::runtime_error);
    EXPECT_EQ(log.text(), GetParam().line);
}

const std::string LongUser(600, 'u');

INSTANTIATE_TEST_SUITE_P(
    Operations, ConnectionLogTest,
    ::testing::Values(LogCase{"Authenticate",
                              [](KSConnector &c) {
                                  AuthStatus status;
                                  c.authenticate("player", "p", &status);
                              },
                              "Connection: Authenticate player\n"},
                      LogCase{"AuthenticateLongUserIsCut",
                              [](KSConnector &c) {
                                  AuthStatus status;
                                  c.authenticate(LongUser, "p", &status);
                              },
                              "Connection: Authenticate " + LongUser.substr(0, 511 - 25) + "\n"},
                      LogCase{"CheckVersion",
                              [](KSConnector &c) {
                                  ServerStatus launcher, manifest;
                                  c.checkVersion("l", "m", &launcher, &manifest);
                              },
                              "Connection: Check launcher version\n"},
                      LogCase{"DownloadSiteFile",
                              [](KSConnector &c) {
                                  std::vector<char> buffer;
                                  c.downloadSiteFile("f", &buffer);
                              },
                              "Connection: Download site\n"},
                      LogCase{"CustomMessage",
                              [](KSConnector &c) {
                                  std::string text;
                                  c.sendCustomMessage(newsMessage(false), text);
                              },
                              "Connection: Custom message with action \"news\"\n"},
                      LogCase{"DownloadFileWritesNothing",
                              [](KSConnector &c) {
                                  std::vector<char> buffer;
                                  c.downloadFile("", &buffer);
                              },
                              ""}),
    [](const ::testing::TestParamInfo<LogCase> &info) { return info.param.name; });

} // namespace
