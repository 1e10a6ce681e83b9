// A failed transfer: the text the player is shown ("Error %d in processing request : %s.") and
// the libcurl result behind it, which decides whether trying again can help.
#pragma once

#include <curl/curl.h>

#include <stdexcept>

namespace KSNetwork {

class TransferError : public std::runtime_error {
public:
    explicit TransferError(CURLcode result);

    CURLcode result() const { return code; }
    // Whether the network may behave better on another try: a refused, reset or cut connection,
    // or (when timeOutsToo) a time-out. A cancelled transfer, a bad address or a full disk never.
    bool transient(bool timeOutsToo) const;

private:
    CURLcode code;
};

} // namespace KSNetwork
