// Deciding, from the reply, what one attempt's body does to the download.
#include "network/RangeSink.h"

#include "network/HttpResponse.h"
#include "network/TextHelpers.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace KSNetwork {

namespace {
bool isNamed(const std::string &line, const std::string &name) {
    return line.size() > name.size() && line[name.size()] == ':' &&
           std::equal(name.begin(), name.end(), line.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

// The value of the final reply's header name (the lines after the last status line), trimmed;
// empty when it has none.
std::string headerValue(const HttpResponse &response, const std::string &name) {
    std::string value;
    for (const std::string &line : response.headers) {
        if (line.compare(0, 4, "HTTP") == 0)
            value.clear();
        else if (isNamed(line, name))
            value = trimWhitespace(line.substr(name.size() + 1));
    }
    return value;
}

// The first byte a "bytes first-last/length" range names; -1 when it names none.
long long rangeStartOf(const std::string &contentRange) {
    static const std::string Unit = "bytes ";
    if (contentRange.compare(0, Unit.size(), Unit) != 0 ||
        !std::isdigit(static_cast<unsigned char>(contentRange[Unit.size()])))
        return -1;
    return std::strtoll(contentRange.c_str() + Unit.size(), nullptr, 10);
}
} // namespace

RangeSink::RangeSink(DownloadSink &target, HttpResponse &response)
    : target(target), response(response) {
    sentValidator = target.validator();
    if (target.held() > 0 && !sentValidator.empty())
        rangeStart = target.held();
    else if (target.held() > 0)
        target.restart(std::string());
}

std::string RangeSink::validatorOf(const HttpResponse &response) {
    const std::string entityTag = headerValue(response, "ETag");
    // If-Range compares strongly, so a weak tag would never let the rest be sent.
    if (!entityTag.empty() && entityTag.compare(0, 2, "W/") != 0)
        return entityTag;
    return headerValue(response, "Last-Modified");
}

RangeSink::Fate RangeSink::decide() {
    const std::int32_t status = response.statusCode;
    if (rangeStart > 0 && status == 206) {
        needsWhole = rangeStartOf(headerValue(response, "Content-Range")) !=
                     static_cast<long long>(rangeStart);
        if (needsWhole)
            return Fate::Refuse;
        target.continued();
        return Fate::Append;
    }
    if (rangeStart > 0 && status == 416) {
        needsWhole = true;
        return Fate::Discard;
    }
    // Another try follows; the bytes held so far stay for it.
    if (status >= 500)
        return Fate::Discard;
    response.received = 0;
    response.lineEnds = TrailingLineEnds();
    return target.restart(status == 200 ? validatorOf(response) : std::string()) ? Fate::Append
                                                                                  : Fate::Refuse;
}

bool RangeSink::finish() {
    if (fate == Fate::Undecided)
        fate = decide();
    return fate != Fate::Refuse;
}

bool RangeSink::receive(const char *data, std::size_t size) {
    if (fate == Fate::Undecided)
        fate = decide();
    switch (fate) {
    case Fate::Append:
        return target.receive(data, size);
    case Fate::Discard:
        return true;
    default:
        return false;
    }
}

void RangeSink::expect(std::uint64_t announcedBytes) {
    if (rangeStart == 0)
        target.expect(announcedBytes);
}

} // namespace KSNetwork
