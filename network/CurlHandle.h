// Ownership of a libcurl easy handle, and the once-per-process libcurl start-up before the first.
#pragma once

#include <curl/curl.h>

#include <memory>

namespace KSNetwork {

struct CurlHandleDeleter {
    void operator()(CURL *handle) const noexcept { curl_easy_cleanup(handle); }
};

using CurlHandle = std::unique_ptr<CURL, CurlHandleDeleter>;

struct CurlHeadersDeleter {
    void operator()(curl_slist *list) const noexcept { curl_slist_free_all(list); }
};

// A list of request header lines.
using CurlHeaders = std::unique_ptr<curl_slist, CurlHeadersDeleter>;

// Initialises libcurl for the process on the first call, then makes a new easy handle.
// Empty when libcurl cannot make one; every transfer on an empty handle then fails.
CurlHandle makeCurlHandle();

} // namespace KSNetwork
