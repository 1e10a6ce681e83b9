// The texts of failed transfers and which failures are worth another try.
#include "network/TransferError.h"

#include <cstdio>
#include <string>

namespace KSNetwork {

namespace {
constexpr std::size_t TransferMessageSize = 1024;

const char *messageOf(CURLcode result) {
    switch (result) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        return "Unsupported protocol";
    case CURLE_FAILED_INIT:
        return "libcurl is not initialized.";
    case CURLE_URL_MALFORMAT:
        return "Malformed URL";
    case CURLE_COULDNT_RESOLVE_HOST:
        return "Could not resolve remote host.";
    case CURLE_COULDNT_CONNECT:
        return "Could not establish connection to remote host";
    case CURLE_PARTIAL_FILE:
        return "Server reported incorrect file size.";
    case CURLE_OUT_OF_MEMORY:
        return "Out of memory";
    // The certificate failures, in words a player can pass on or act on (a clock far off, a
    // network that intercepts).
    case CURLE_PEER_FAILED_VERIFICATION:
        return "The server's identity could not be verified (its certificate is not trusted or "
               "names another server)";
    case CURLE_SSL_CACERT_BADFILE:
        return "The launcher's certificate file could not be read";
    case CURLE_SSL_CONNECT_ERROR:
        return "A secure connection to the server could not be made";
    default:
        return "Unknown error occured.";
    }
}

std::string textOf(CURLcode result) {
    char text[TransferMessageSize];
    std::snprintf(text, sizeof text, "Error %d in processing request : %s.",
                  static_cast<int>(result), messageOf(result));
    return text;
}
} // namespace

TransferError::TransferError(CURLcode result) : std::runtime_error(textOf(result)), code(result) {}

bool TransferError::transient(bool timeOutsToo) const {
    switch (code) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_PARTIAL_FILE:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        return true;
    case CURLE_OPERATION_TIMEDOUT:
        return timeOutsToo;
    default:
        return false;
    }
}

} // namespace KSNetwork
