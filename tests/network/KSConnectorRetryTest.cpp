// A bad connection against a scripted server: retries with their waits, time-outs, cancelling,
// and downloads that continue with a Range request, in this run and the next.
#include "io/ResumableFile.h"
#include "network/KSConnectorImpl.h"
#include "tests/network/ScriptedServer.h"
#include "tests/support/FailureOf.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using namespace KSNetwork;
using Testing::failureOf;
using Testing::ScriptedReply;
using Testing::ScriptedServer;

namespace {

const std::string Package = [] {
    std::string bytes;
    for (int i = 0; i < 10000; ++i)
        bytes += static_cast<char>(i * 31 % 251);
    return bytes;
}();
const std::string Login = "HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nOK,a,b";
const std::string Busy = "HTTP/1.1 503 Busy\r\nContent-Length: 5\r\n\r\nbusy\n";
const std::string Cut = "cut"; // the package's first 4000 bytes, then the connection ends

std::string head(const std::string &status, std::size_t length, const std::string &extra = "") {
    return "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(length) +
           "\r\nETag: \"v1\"\r\n" + extra + "\r\n";
}

// Replies in order, one a connection: a full reply text, "cut", or "stall"/"reset"; a 206 that
// sends the rest from the Range header's first byte, or "206 at N" for a wrong range.
ScriptedServer::Script replies(std::vector<std::string> texts) {
    return [texts](int index, const std::string &request) {
        const std::string &text = texts.at(static_cast<std::size_t>(index));
        if (text == "stall")
            return ScriptedReply{{}, ScriptedReply::End::Stall};
        if (text == "reset")
            return ScriptedReply{{}, ScriptedReply::End::Reset};
        if (text == Cut)
            return ScriptedReply{{head("200 OK", Package.size()) + Package.substr(0, 4000)},
                                 ScriptedReply::End::Close};
        if (text.rfind("206", 0) == 0) {
            const std::size_t range = request.find("Range: bytes=");
            const std::size_t from = text.rfind("206 at", 0) == 0 ? std::stoul(text.substr(7))
                                                     : std::stoul(request.substr(range + 13));
            const std::string rest = Package.substr(from);
            // "206 cut" sends 1000 bytes of the rest, then ends.
            const std::size_t sent = text == "206 cut" ? 1000 : rest.size();
            return ScriptedReply{{head("206 Partial", rest.size(),
                                       "Content-Range: bytes " + std::to_string(from) + "-9999/" +
                                           std::to_string(Package.size()) + "\r\n") +
                                  rest.substr(0, sent)}};
        }
        return ScriptedReply{{text}};
    };
}

TransferSettings quick() {
    TransferSettings settings;
    settings.receiveSeconds = 1;
    settings.firstRetryWait = 0.01;
    return settings;
}

struct Connection {
    Connection(std::vector<std::string> texts, TransferSettings settings = quick())
        : server(replies(texts), static_cast<int>(texts.size())), connector(server.url()) {
        connector.setTransferSettings(settings);
        connector.setRetryNotice([this] { ++notices; });
    }
    ScriptedServer server;
    KSConnectorImpl connector;
    int notices = 0;
};

// A busy server, a reset and a cut body are tried again, after a notice each; a refusal that
// another try cannot mend is not, and the last failure's own text reaches the caller.
TEST(RetryTest, TransientFailuresAreTriedAgainUpToThreeTimes) {
    AuthStatus status;
    for (const std::string &failure : {Busy, std::string("reset"), std::string("stall")}) {
        Connection busyOnce({failure, Login});
        // A text request that timed out is not tried again.
        const std::string expected =
            failure == "stall" ? "Error 28 in processing request : Unknown error occured.." : "";
        EXPECT_EQ(failureOf([&] { busyOnce.connector.authenticate("u", "p", &status); }),
                  expected);
        EXPECT_EQ(busyOnce.server.requestLines().size(), failure == "stall" ? 1u : 2u);
        EXPECT_EQ(busyOnce.notices, failure == "stall" ? 0 : 1);
    }
    Connection alwaysBusy({Busy, Busy, Busy, Busy});
    EXPECT_EQ(failureOf([&] { alwaysBusy.connector.authenticate("u", "p", &status); }),
              "Request Failed. Http Response code: 503, Response Message: Busy\r\n ");
    EXPECT_EQ(alwaysBusy.notices, 3);

    Connection missing({"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"});
    std::vector<char> buffer;
    EXPECT_EQ(failureOf([&] { missing.connector.downloadSiteFile("f", &buffer); }),
              "File not found, f");
    EXPECT_EQ(missing.notices, 0);
}

// A download is tried again after a time-out too, and a stalled one ends when the keep-alive
// routine, which runs while nothing arrives, asks to stop: also during the wait before a retry.
TEST(RetryTest, DownloadsOutlastATimeOutAndStopWhenCancelled) {
    Connection stalled({"stall", head("200 OK", Package.size()) + Package});
    std::vector<char> buffer;
    EXPECT_TRUE(stalled.connector.downloadSiteFile("f", &buffer));
    EXPECT_EQ(std::string(buffer.begin(), buffer.end()), Package);

    for (const double wait : {0.01, 60.0}) {
        TransferSettings patient = quick();
        patient.receiveSeconds = 60;
        patient.firstRetryWait = wait;
        // Without a retry the stalled transfer can only end by being cancelled (or timing out).
        patient.retries = wait > 1 ? 3 : 0;
        Connection cancelled({wait > 1 ? Busy : "stall"}, patient);
        // Stops inside the stalled transfer, or inside the long wait after the busy reply.
        cancelled.connector.setKeepAlive([&cancelled, wait] {
            return wait > 1 ? cancelled.notices > 0 : !cancelled.server.requestLines().empty();
        });
        EXPECT_EQ(failureOf([&] { cancelled.connector.downloadSiteFile("f", &buffer); }),
                  "Error 42 in processing request : Unknown error occured..");
        EXPECT_EQ(cancelled.server.requestLines().size(), 1u);
    }
}

// The rest is asked for with the first reply's validator. A 206 for it appends; a 200 (the
// server ignores ranges or the file changed) starts over; a 416 or a 206 for other bytes asks
// for the whole file at once. Progress counts the held bytes as received.
TEST(ResumeTest, ACutDownloadContinuesWhereTheServerAllows) {
    const std::string whole = head("200 OK", Package.size()) + Package;
    const struct {
        std::vector<std::string> then;
        std::vector<bool> ranged; // whether the requests after the cut ask for the rest
    } cases[] = {
        {{"206"}, {true}},
        {{whole}, {true}},
        {{"HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 0\r\n\r\n", whole},
         {true, false}},
        {{"206 at 3000", whole}, {true, false}},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.then.front().substr(0, 20));
        std::vector<std::string> texts{Cut};
        texts.insert(texts.end(), test.then.begin(), test.then.end());
        Connection cut(texts);
        const Testing::TempFolder folder;
        auto file = Cobalt::IO::ResumableFile::open(folder / "p.zip");
        std::vector<std::int32_t> progress;
        cut.connector.setProgressCallback([&] { progress.push_back(cut.connector.getProgress()); });
        ASSERT_TRUE(cut.connector.downloadSiteFile("p.zip", *file));
        ASSERT_TRUE(file->close());
        EXPECT_TRUE(folder.read("p.zip") == Package);
        EXPECT_EQ(file->wasResumed(), test.then.front() == "206");
        const auto heads = cut.server.requestHeads();
        ASSERT_EQ(heads.size(), test.ranged.size() + 1);
        EXPECT_EQ(heads[0].find("Range:"), std::string::npos);
        for (std::size_t i = 0; i < test.ranged.size(); ++i) {
            EXPECT_EQ(heads[i + 1].find("\r\nRange: bytes=4000-\r\n") != std::string::npos,
                      test.ranged[i]);
            EXPECT_EQ(heads[i + 1].find("\r\nIf-Range: \"v1\"") != std::string::npos,
                      test.ranged[i]);
        }
        if (file->wasResumed()) {
            EXPECT_GT(progress.at(progress.size() - 1), 4000);
        }
    }
}

// A link that keeps dropping still finishes: a try that brought bytes starts the count afresh.
TEST(ResumeTest, EveryTryThatBringsBytesEarnsAnotherOne) {
    TransferSettings once = quick();
    once.retries = 1;
    Connection dropping({Cut, "206 cut", "206 cut", "206 cut", "206"}, once);
    const Testing::TempFolder folder;
    auto file = Cobalt::IO::ResumableFile::open(folder / "p.zip");
    ASSERT_TRUE(dropping.connector.downloadSiteFile("p.zip", *file));
    ASSERT_TRUE(file->close());
    EXPECT_TRUE(folder.read("p.zip") == Package);
    EXPECT_NE(dropping.server.requestHeads().back().find("Range: bytes=7000-"), std::string::npos);
}

// The next run continues the staged bytes when their validator was kept beside them, and starts
// afresh without it.
TEST(ResumeTest, TheNextRunContinuesOnlyBytesWithTheirValidator) {
    const Testing::TempFolder folder;
    const std::string path = folder / "p.zip";
    {
        Connection firstRun({Cut}, Testing::singleTry());
        auto file = Cobalt::IO::ResumableFile::open(path);
        EXPECT_FALSE(failureOf([&] { firstRun.connector.downloadSiteFile("p.zip", *file); })
                         .empty());
    }
    EXPECT_EQ(folder.read("validator-p.zip"), "\"v1\"");
    for (const bool keepValidator : {true, false}) {
        if (!keepValidator)
            folder.write("validator-p.zip", "\"v1\"\n");
        auto file = Cobalt::IO::ResumableFile::open(path);
        EXPECT_EQ(file->held(), keepValidator ? 4000u : 0u);
        Connection nextRun({keepValidator ? "206" : head("200 OK", Package.size()) + Package});
        ASSERT_TRUE(nextRun.connector.downloadSiteFile("p.zip", *file));
        ASSERT_TRUE(file->close());
        EXPECT_TRUE(folder.read("p.zip") == Package);
        Cobalt::IO::ResumableFile::remove(path);
        folder.write("validator-p.zip", "\"v1\"");
        folder.write("p.zip", Package.substr(0, 4000));
    }
}

} // namespace
