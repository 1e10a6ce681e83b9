// The libcurl callbacks of a response: status-line parsing, the text sink and failure recording.
#include "network/HttpResponse.h"

#include "tests/support/FailureOf.h"

#include <gtest/gtest.h>

using KSNetwork::HttpResponse;

namespace {

TEST(StatusLineTest, ReadsOnlyAFirstLineBeginningWithHttpAndRecordsBadOnes) {
    const std::string notFound = "HTTP/1.1 404 Not Found\r\n";
    const struct {
        std::vector<std::string> lines;
        std::string protocol;
        std::int32_t statusCode;
        std::string reason;
        std::string failure;
    } cases[] = {
        {{notFound}, "HTTP/1.1", 404, "Not Found\r\n ", ""},
        {{"HTTP/1.0 200\r\n"}, "HTTP/1.0", 200, "", ""},
        {{"HTTP/1.1 200  OK\r\n"}, "HTTP/1.1", 200, " OK\r\n ", ""},
        {{"HTTP/1.1 100 Continue\r\n", "\r\n", notFound}, "HTTP/1.1", 100, "Continue\r\n ", ""},
        {{"ICY 200 OK\r\n", "HTTP/1.1 200 OK\r\n"}, "", -1, "", ""},
        {{"HTTP/1.1 abc Bad\r\n"}, "", -1, "", "Error: Invalid http response code abc\n"},
        {{"HTTP/1.1\r\n"}, "", -1, "", "Error: Invalid http response header: \nHTTP/1.1\r\n\n"},
        // After a failure every later block aborts the transfer again.
        {{"HTTP/1.1 0 Zero\r\n", "Length: 4\r\n"},
         "",
         -1,
         "",
         "Error: Invalid http response code 0\n"},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.lines.front());
        HttpResponse response;
        std::size_t consumed = 0;
        for (std::string line : test.lines)
            consumed = HttpResponse::receiveHeader(&line[0], 1, line.size(), &response);
        // Consuming nothing is how a callback aborts libcurl's transfer.
        EXPECT_EQ(consumed, test.failure.empty() ? test.lines.back().size() : 0u);
        EXPECT_EQ(response.statusCode, test.statusCode);
        EXPECT_EQ(Testing::failureOf([&] {
                      if (response.failure)
                          std::rethrow_exception(response.failure);
                  }),
                  test.failure);
        if (test.failure.empty()) {
            EXPECT_EQ(response.protocol, test.protocol);
            EXPECT_EQ(response.reason, test.reason);
            EXPECT_EQ(response.headers.back(), test.lines.back());
            EXPECT_EQ(response.headers.size(), test.lines.size());
        }
    }
}

TEST(StatusLineTest, HeaderLineStopsAtAZeroByte) {
    HttpResponse response;
    std::string line("HTTP/1.1 200 OK\0junk\r\n", 23);
    EXPECT_EQ(HttpResponse::receiveHeader(&line[0], 1, line.size(), &response), line.size());
    EXPECT_EQ(response.headers, std::vector<std::string>{"HTTP/1.1 200 OK"});
    EXPECT_EQ(response.reason, "OK ");
}

TEST(TextSinkTest, AppendsEachBlockUpToItsFirstZeroByte) {
    HttpResponse response;
    std::string first("OK,a\0dropped", 12);
    std::string second(",b", 2);
    EXPECT_EQ(HttpResponse::writeText(&first[0], 3, 4, &response), 12u);
    EXPECT_EQ(HttpResponse::writeText(&second[0], 1, 2, &response), 2u);
    EXPECT_EQ(response.body, "OK,a,b");
}

} // namespace
