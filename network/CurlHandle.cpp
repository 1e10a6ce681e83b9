// libcurl start-up and easy handles.
#include "network/CurlHandle.h"

namespace KSNetwork {

namespace {
// curl_global_cleanup is deliberately never called: a connector held by a static object could
// outlive any cleanup point, and the system reclaims everything at exit.
void initialiseLibcurlOnce() {
    static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
    static_cast<void>(result);
}
} // namespace

CurlHandle makeCurlHandle() {
    initialiseLibcurlOnce();
    return CurlHandle(curl_easy_init());
}

} // namespace KSNetwork
