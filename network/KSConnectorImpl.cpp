// URL parsing, the libcurl transfer and the server protocol's requests and replies.
#include "network/KSConnectorImpl.h"

#include "app/Log.h"
#include "network/BufferSink.h"
#include "network/RangeSink.h"
#include "network/ReplyReader.h"
#include "network/TextHelpers.h"
#include "network/TransferError.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <stdexcept>
#include <thread>
#include <utility>

namespace KSNetwork {

namespace {
constexpr std::size_t TransferMessageSize = 1024;
constexpr std::size_t DownloadMessageSize = 500;

// printf-style text cut to capacity - 1 characters.
std::string formatText(std::size_t capacity, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

std::string formatText(std::size_t capacity, const char *format, ...) {
    std::vector<char> text(capacity, '\0');
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text.data(), text.size(), format, arguments);
    va_end(arguments);
    return std::string(text.data());
}

void requireStatusOk(const HttpResponse &response) {
    if (response.statusCode != 200)
        throw std::runtime_error(formatText(
            TransferMessageSize, "Request Failed. Http Response code: %d, Response Message: %s",
            static_cast<int>(response.statusCode), response.reason.c_str()));
}

// Puts a value back when the scope ends, also when a failure passes through.
class RestoreOnExit {
public:
    explicit RestoreOnExit(std::string &value) : target(value), saved(value) {}
    RestoreOnExit(const RestoreOnExit &) = delete;
    RestoreOnExit &operator=(const RestoreOnExit &) = delete;
    ~RestoreOnExit() { target.swap(saved); }

private:
    std::string &target;
    std::string saved;
};
} // namespace

KSConnectorImpl::KSConnectorImpl(const std::string &url) {
    parseUrl(url);
    handle = makeCurlHandle();
}

void KSConnectorImpl::parseUrl(const std::string &url) {
    const std::string::size_type colon = url.find(':');
    if (colon == std::string::npos)
        throw std::runtime_error("Invalid URL. " + url);
    scheme = parseScheme(url.substr(0, colon));

    // The two characters after the colon are skipped whatever they are; a URL that ends sooner
    // has an empty authority.
    const std::string::size_type start = std::min(colon + 3, url.size());
    const std::string::size_type slash = url.find('/', start);
    std::string hostAndPort;
    if (slash != std::string::npos) {
        hostAndPort = url.substr(start, slash - start);
        path = url.substr(slash);
    } else {
        hostAndPort = url.substr(start);
        path = "/";
    }

    const std::string::size_type portColon = hostAndPort.find(':');
    if (portColon == std::string::npos) {
        host = hostAndPort;
        port = defaultPort(scheme);
        return;
    }
    const std::string portText = hostAndPort.substr(portColon + 1);
    const std::int32_t value = decimalValue(portText);
    if (value == 0)
        throw std::invalid_argument("Invalid port number: " + portText);
    port = value;
    host = hostAndPort.substr(0, portColon);
}

void KSConnectorImpl::setVerbose(bool flag) { verbose = flag; }

void KSConnectorImpl::setCaFile(const std::string &path) { caFile = path; }

std::int32_t KSConnectorImpl::getProgress() const { return progress; }

void KSConnectorImpl::getCredentials(std::string &user, std::string &pass) const {
    user = userName;
    pass = password;
}

void KSConnectorImpl::setCredentials(const std::string &user, const std::string &pass) {
    userName = user;
    password = pass;
}

void KSConnectorImpl::setProgressCallback(std::function<void()> callback) {
    progressCallback = std::move(callback);
}

void KSConnectorImpl::setTransferSettings(const TransferSettings &newSettings) {
    settings = newSettings;
}

void KSConnectorImpl::setKeepAlive(std::function<bool()> routine) { keepAlive = std::move(routine); }

void KSConnectorImpl::setRetryNotice(std::function<void()> notice) {
    retryNotice = std::move(notice);
}

void KSConnectorImpl::reportProgress(std::int32_t value) {
    progress = value;
    if (progressCallback)
        progressCallback();
}

std::string KSConnectorImpl::requestUrl(const Parameters &parameters) const {
    std::string url = schemePrefix(scheme) + host + path;
    const char *separator = "?";
    for (const auto &parameter : parameters) {
        url += separator;
        url += parameter.first;
        url += '=';
        url += parameter.second;
        separator = "&";
    }
    return url;
}

void KSConnectorImpl::setTransferOptions(const std::string &url, HttpResponse *response) {
    CURL *curl = handle.get();
    const bool toSink = response->sink != nullptr;
    const curl_write_callback sink = toSink ? &Response::writeSink : &Response::writeText;
    const curl_write_callback headerHandler = &Response::receiveHeader;
    void *const target = static_cast<Response *>(response);
    if (verbose)
        curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
    if (port > 0)
        curl_easy_setopt(curl, CURLOPT_PORT, static_cast<long>(port));
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    // Never relaxed, whatever libcurl's defaults become.
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.empty()) {
        curl_easy_setopt(curl, CURLOPT_CAINFO, caFile.c_str());
        // The bundle replaces the system's store: no folder of further authorities either.
        curl_easy_setopt(curl, CURLOPT_CAPATH, nullptr);
        // A private authority seldom publishes revocation lists, which Schannel would otherwise
        // demand; a certificate that a reachable list revokes is still refused.
        curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
    }
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, sink);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, target);
    if (toSink)
        response->connector = this;
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, headerHandler);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, target);

    // "Nothing for receiveSeconds" is libcurl's low-speed check at one byte a second.
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(std::max(1.0, settings.connectSeconds * 1000.0)));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME,
                     static_cast<long>(std::max(1.0, std::ceil(settings.receiveSeconds))));
    response->keepAlive = &keepAlive;
    const curl_xferinfo_callback keepAliveHandler = &Response::keepTransferAlive;
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, keepAliveHandler);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, target);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

    // Options stay on the handle, so a request without a range clears the last one's.
    const std::string range = std::to_string(response->rangeFrom) + "-";
    curl_easy_setopt(curl, CURLOPT_RANGE, response->rangeFrom > 0 ? range.c_str() : nullptr);
    requestHeaders.reset();
    if (response->rangeFrom > 0)
        requestHeaders.reset(
            curl_slist_append(nullptr, ("If-Range: " + response->ifRange).c_str()));
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, requestHeaders.get());
}

bool KSConnectorImpl::transfer(Parameters parameters, HttpResponse *response) {
    const std::string url = requestUrl(parameters);
    if (response->sink != nullptr && (progress > 0 || performing))
        return false;
    // A request from inside a running one would rewire the running transfer's callbacks and
    // could not be performed anyway (libcurl refuses recursive calls), so the handle is left alone.
    if (performing)
        throw TransferError(CURLE_RECURSIVE_API_CALL);

    setTransferOptions(url, response);
    performing = true;
    const CURLcode result = curl_easy_perform(handle.get());
    performing = false;
    progress = 0;
    if (response->failure)
        std::rethrow_exception(response->failure);
    if (response->sinkRefused)
        return false;
    if (result != CURLE_OK)
        throw TransferError(result);
    return true;
}

bool KSConnectorImpl::request(const Parameters &parameters, HttpResponse &response,
                              bool timeOutsToo) {
    DownloadSink *const target = response.sink;
    TrailingLineEnds lineEnds;
    // Failures in a row: a try that brought new bytes starts the count, and the waits, afresh,
    // so that a link that drops every few minutes still finishes.
    unsigned attempt = 0;
    for (;; ++attempt) {
        HttpResponse trial;
        std::unique_ptr<RangeSink> range;
        if (target) {
            range = std::make_unique<RangeSink>(*target, trial);
            trial.sink = range.get();
            trial.rangeFrom = range->from();
            trial.ifRange = range->ifRange();
            // Bytes held count as received, and their line ends are those of this run's tries.
            trial.received = range->from();
            trial.lineEnds = range->from() > 0 ? lineEnds : TrailingLineEnds();
            if (range->from() > 0)
                Cobalt::Log::instance().message("Connection: continuing from byte %llu",
                                                static_cast<unsigned long long>(range->from()));
        }
        const bool lastTry = attempt >= settings.retries;
        bool performed = false;
        try {
            performed = transfer(parameters, &trial) && (!range || range->finish());
        } catch (const TransferError &error) {
            if (range && range->delivered() && trial.received > range->from())
                attempt = 0;
            if (attempt >= settings.retries || !error.transient(timeOutsToo))
                throw;
            Cobalt::Log::instance().message("Connection: %s", error.what());
            waitBeforeRetry(attempt);
            continue;
        }
        if (range && range->delivered())
            lineEnds = trial.lineEnds;
        // A server that cannot send the rest sends the whole file at once, without a wait.
        if (range && range->wholeFileNeeded() && !lastTry) {
            target->restart(std::string());
            continue;
        }
        // Refused (a download already runs, or the sink could not keep the bytes).
        if (!performed)
            return false;
        if (trial.statusCode >= 500 && !lastTry) {
            Cobalt::Log::instance().message("Connection: the server answered %d",
                                            static_cast<int>(trial.statusCode));
            waitBeforeRetry(attempt);
            continue;
        }
        if (trial.statusCode == 206 && range && range->delivered())
            trial.statusCode = 200; // the sink now holds the whole file, as after a 200
        trial.sink = target;
        response = trial;
        return true;
    }
}

void KSConnectorImpl::waitBeforeRetry(unsigned attempt) {
    const double seconds = settings.firstRetryWait * std::pow(2.0, attempt);
    Cobalt::Log::instance().message("Connection: trying again in %.2f s", seconds);
    if (retryNotice)
        retryNotice();
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(
                           std::chrono::duration<double>(std::max(0.0, seconds)));
    do {
        if (keepAlive && keepAlive())
            throw TransferError(CURLE_ABORTED_BY_CALLBACK);
        std::this_thread::sleep_for(std::min<Clock::duration>(std::chrono::milliseconds(10),
                                                               end - Clock::now()));
    } while (Clock::now() < end);
}

bool KSConnectorImpl::authenticate(std::string user, std::string pass, AuthStatus *status) {
    Cobalt::Log::instance().message("Connection: Authenticate %s", user.c_str());
    HttpResponse response;
    request({{"action", "auth"}, {"pw", pass}, {"uid", user}}, response, false);
    requireStatusOk(response);
    return readAuthReply(response.body, *status);
}

bool KSConnectorImpl::checkVersion(const std::string &launcherVersion,
                                   const std::string &manifestVersion, ServerStatus *launcherStatus,
                                   ServerStatus *manifestStatus) {
    Cobalt::Log::instance().message("Connection: Check launcher version");
    HttpResponse response;
    request({{"action", "ver2"},
             {"app", "1"},
             {"man", manifestVersion},
             {"pw", password},
             {"uid", userName},
             {"ver", launcherVersion}},
            response, false);
    requireStatusOk(response);
    return readVersionReply(response.body, *launcherStatus, *manifestStatus);
}

bool KSConnectorImpl::downloadSiteFile(const std::string &fileName, std::vector<char> *buffer) {
    BufferSink sink(*buffer);
    return downloadSiteFile(fileName, sink);
}

bool KSConnectorImpl::downloadSiteFile(const std::string &fileName, DownloadSink &sink) {
    Cobalt::Log::instance().message("Connection: Download site");
    HttpResponse response;
    response.sink = &sink;
    if (!request(
            {{"action", "download_pf"}, {"dirfile", fileName}, {"pw", password}, {"uid", userName}},
            response, true))
        return false;
    // Only this download's own bytes lose their line ends; what the sink held before stays. A
    // refusal's body may not have reached the sink at all, so only a whole file loses any.
    if (response.statusCode == 200 && !sink.dropLast(response.lineEnds.removable()))
        return false;

    if (response.statusCode == 401)
        throw std::runtime_error(formatText(
            DownloadMessageSize, "%s is not authorized to visit this site", userName.c_str()));
    if (response.statusCode == 404)
        throw std::runtime_error(
            formatText(DownloadMessageSize, "File not found, %s", fileName.c_str()));
    if (response.statusCode != 200)
        throw std::runtime_error(formatText(DownloadMessageSize, "Http request failed. %d %s",
                                            static_cast<int>(response.statusCode),
                                            response.reason.c_str()));
    return true;
}

bool KSConnectorImpl::downloadFile(const std::string &filePath, std::vector<char> *buffer) {
    BufferSink sink(*buffer);
    HttpResponse response;
    response.sink = &sink;
    bool performed = false;
    {
        const RestoreOnExit restorePath(path);
        if (!filePath.empty())
            path = filePath.front() == '/' ? filePath : path + filePath;
        performed = request(Parameters(), response, true);
    }
    if (!performed || response.statusCode == 200)
        return performed;
    if (response.statusCode == 404)
        throw std::runtime_error(
            formatText(DownloadMessageSize, "File not found. %s", filePath.c_str()));
    throw std::runtime_error(formatText(DownloadMessageSize, "Http request failed. %d %s",
                                        static_cast<int>(response.statusCode),
                                        response.reason.c_str()));
}

bool KSConnectorImpl::sendCustomMessage(const CustomMessage &message, std::string &reply) {
    Cobalt::Log::instance().message("Connection: Custom message with action \"%s\"",
                                    message.action.c_str());
    // emplace never overwrites, so a custom parameter cannot replace a stored one.
    Parameters parameters{{"action", message.action}};
    if (message.sendUid)
        parameters.emplace("uid", userName);
    if (message.sendPw)
        parameters.emplace("pw", password);
    if (message.sendLog)
        parameters.emplace("log", logText);
    for (const auto &parameter : message.parameters)
        parameters.emplace(parameter.first, urlEncode(parameter.second));

    HttpResponse response;
    request(parameters, response, false);
    if (response.statusCode != 200)
        return false;
    reply = trimWhitespace(response.body);
    return true;
}

} // namespace KSNetwork
