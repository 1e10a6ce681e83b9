// The libcurl callbacks of a response: status-line parsing, the text sink and failure recording.
#include "network/HttpResponse.h"

#include <gtest/gtest.h>

#include <stdexcept>

using KSNetwork::HttpResponse;

namespace {

// Feeds a header line the way libcurl does; returns what the handler reported as consumed.
std::size_t feedHeader(HttpResponse &response, std::string line) {
    return HttpResponse::receiveHeader(&line[0], 1, line.size(), &response);
}

std::string recordedFailure(const HttpResponse &response) {
    try {
        if (response.failure)
            std::rethrow_exception(response.failure);
    } catch (const std::runtime_error &error) {
        return error.what();
    }
    return std::string();
}

TEST(StatusLineTest, SplitsProtocolCodeAndReasonKeepingTheLineEnd) {
    HttpResponse response;
    EXPECT_EQ(feedHeader(response, "HTTP/1.1 404 Not Found\r\n"), 24u);
    EXPECT_EQ(response.protocol, "HTTP/1.1");
    EXPECT_EQ(response.statusCode, 404);
    EXPECT_EQ(response.reason, "Not Found\r\n ");
    EXPECT_EQ(response.headers, std::vector<std::string>{"HTTP/1.1 404 Not Found\r\n"});
}

TEST(StatusLineTest, CodeWithoutReasonLeavesReasonEmpty) {
    HttpResponse response;
    feedHeader(response, "HTTP/1.0 200\r\n");
    EXPECT_EQ(response.statusCode, 200);
    EXPECT_EQ(response.reason, "");
}

TEST(StatusLineTest, DoubleBlankGivesAnEmptyReasonWord) {
    HttpResponse response;
    feedHeader(response, "HTTP/1.1 200  OK\r\n");
    EXPECT_EQ(response.reason, " OK\r\n ");
}

TEST(StatusLineTest, OnlyTheFirstHeaderLineIsRead) {
    HttpResponse response;
    feedHeader(response, "HTTP/1.1 100 Continue\r\n");
    feedHeader(response, "\r\n");
    feedHeader(response, "HTTP/1.1 200 OK\r\n");
    EXPECT_EQ(response.statusCode, 100);
    EXPECT_EQ(response.reason, "Continue\r\n ");
    EXPECT_EQ(response.headers.size(), 3u);
}

TEST(StatusLineTest, FirstLineNotBeginningWithHttpIsIgnored) {
    HttpResponse response;
    feedHeader(response, "ICY 200 OK\r\n");
    feedHeader(response, "HTTP/1.1 200 OK\r\n");
    EXPECT_EQ(response.statusCode, -1);
    EXPECT_EQ(response.protocol, "");
}

TEST(StatusLineTest, NonNumericCodeIsRecordedAndAbortsTheTransfer) {
    HttpResponse response;
    EXPECT_EQ(feedHeader(response, "HTTP/1.1 abc Bad\r\n"), 0u);
    EXPECT_EQ(recordedFailure(response), "Error: Invalid http response code abc\n");
    EXPECT_EQ(response.statusCode, -1);
}

TEST(StatusLineTest, SingleWordStatusLineIsRecordedAndAbortsTheTransfer) {
    HttpResponse response;
    EXPECT_EQ(feedHeader(response, "HTTP/1.1\r\n"), 0u);
    EXPECT_EQ(recordedFailure(response), "Error: Invalid http response header: \nHTTP/1.1\r\n\n");
}

TEST(StatusLineTest, AfterAFailureEveryLaterBlockAbortsAgain) {
    HttpResponse response;
    feedHeader(response, "HTTP/1.1 0 Zero\r\n");
    EXPECT_EQ(feedHeader(response, "Content-Length: 4\r\n"), 0u);
    EXPECT_EQ(recordedFailure(response), "Error: Invalid http response code 0\n");
}

TEST(HeaderLineTest, StopsAtAZeroByte) {
    HttpResponse response;
    std::string line("HTTP/1.1 200 OK\0junk\r\n", 23);
    EXPECT_EQ(HttpResponse::receiveHeader(&line[0], 1, line.size(), &response), line.size());
    EXPECT_EQ(response.headers.front(), "HTTP/1.1 200 OK");
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
