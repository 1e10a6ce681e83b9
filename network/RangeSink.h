// The sink of one attempt of a download. The attempt asks for the rest of what the real sink
// holds (Range and If-Range) when it holds anything with a validator; at the first body byte
// the reply decides: a 206 for exactly that rest appends, a 200 (a server that ignores ranges, or
// a file that changed) starts the real sink over, and a busy server's 5xx or a 416 leaves it
// alone, its body thrown away.
#pragma once

#include "network/DownloadSink.h"

#include <cstdint>
#include <string>

namespace KSNetwork {

class HttpResponse;

class RangeSink : public DownloadSink {
public:
    // Reads response's status and headers when the body begins, and counts its received bytes
    // and line ends from the first byte of the file; target and response must outlive the sink.
    // A target holding bytes without a validator is emptied here.
    RangeSink(DownloadSink &target, HttpResponse &response);

    // The first byte asked for (0: the whole file) and the If-Range validator to send with it.
    std::uint64_t from() const { return rangeStart; }
    const std::string &ifRange() const { return sentValidator; }
    // Whether the attempt ended in a way that only a request for the whole file can mend (416,
    // or a 206 for other bytes than asked); the target was left as it was.
    bool wholeFileNeeded() const { return needsWhole; }
    // Whether the body went to the target: appended to what it held, or after starting it over.
    bool delivered() const { return fate == Fate::Append; }
    // Decides for a reply without a body once the transfer is over; false when the target could
    // not be started over.
    bool finish();

    bool receive(const char *data, std::size_t size) override;
    bool dropLast(std::uint64_t count) override { return target.dropLast(count); }
    void expect(std::uint64_t announcedBytes) override;
    bool restart(const std::string &validator) override { return target.restart(validator); }
    void continued() override { target.continued(); }

    // The validator a reply's headers give for a later If-Range: a strong ETag, else the
    // Last-Modified date; empty when neither.
    static std::string validatorOf(const HttpResponse &response);

private:
    enum class Fate { Undecided, Append, Discard, Refuse };
    Fate decide();

    DownloadSink &target;
    HttpResponse &response;
    std::uint64_t rangeStart = 0;
    std::string sentValidator;
    Fate fate = Fate::Undecided;
    bool needsWhole = false;
};

} // namespace KSNetwork
