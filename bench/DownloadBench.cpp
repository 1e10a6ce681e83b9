// A 256 MiB package from the reference server into a byte buffer through downloadSiteFile, against
// the curl command line and a bare libcurl handle fetching the same address in the same run. Run it
// through scripts/with-reference-server.sh; the ratio counters are the figures to read.
#include "network/CurlHandle.h"
#include "network/KSConnector.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::size_t FileSize = std::size_t{256} * 1024 * 1024;
constexpr std::size_t MiB = 1024 * 1024;
constexpr int Iterations = 6;
const char *const FileName = "bench-package.bin";
const char *const User = "bench";
const char *const Digest = "0123456789abcdef0123456789abcdef";

using Clock = std::chrono::steady_clock;

std::string environment(const char *name) {
    const char *value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

std::string scriptUrl() { return environment("BRIGHTWELL_SERVER_URL") + "/ksclient/ksserver.php"; }

std::string packageUrl() {
    return scriptUrl() + "?action=download_pf&dirfile=" + FileName + "&pw=" + Digest +
           "&uid=" + User;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The server's configuration and the package, written once in chunks so the program stays small.
bool prepareServer() {
    const std::string root = environment("BRIGHTWELL_SERVER_ROOT");
    if (root.empty() || environment("BRIGHTWELL_SERVER_URL").empty())
        return false;
    std::ofstream configuration(root + "ksserver.config.php", std::ios::trunc);
    configuration << "<?php\nreturn ['releaseFolder' => 'release', 'users' => ['" << User
                  << "' => ['password' => '" << Digest << "']]];\n";
    std::ofstream package(root + "release/" + FileName, std::ios::binary | std::ios::trunc);
    std::vector<char> chunk(MiB);
    for (std::size_t offset = 0; offset < FileSize; offset += chunk.size()) {
        for (std::size_t i = 0; i < chunk.size(); ++i)
            chunk[i] = static_cast<char>((offset + i) * 2654435761u >> 13);
        package.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    }
    return configuration.good() && package.good();
}

// Seconds the curl command line takes to fetch the same request into /dev/null.
double curlDownloadSeconds() {
    static const std::string command =
        "curl --silent --fail --output /dev/null '" + packageUrl() + "'";
    const Clock::time_point start = Clock::now();
    if (std::system(command.c_str()) != 0)
        return -1;
    return secondsSince(start);
}

std::size_t appendToBuffer(char *data, std::size_t size, std::size_t count, void *buffer) {
    auto &bytes = *static_cast<std::vector<char> *>(buffer);
    bytes.insert(bytes.end(), data, data + size * count);
    return size * count;
}

// Seconds a bare libcurl handle with default options takes to append the package to buffer,
// which already has room for it: what any libcurl client pays to keep the bytes.
double bareLibcurlSeconds(std::vector<char> &buffer) {
    static const std::string url = packageUrl();
    const KSNetwork::CurlHandle owner = KSNetwork::makeCurlHandle();
    CURL *handle = owner.get();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, appendToBuffer);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &buffer);
    const Clock::time_point start = Clock::now();
    const CURLcode result = curl_easy_perform(handle);
    const double seconds = secondsSince(start);
    return result == CURLE_OK && buffer.size() == FileSize ? seconds : -1;
}

// Every iteration fetches the package with the curl command line, with a bare libcurl handle and
// through the connector, so all three see the same server and the same machine load; the
// iteration's time is the connector's. A reused buffer keeps its capacity between iterations, so
// only the transfer is measured; a fresh buffer also pays the system's first touch of 256 MiB of
// new memory, as every download of the launcher does.
void downloadSiteFile(benchmark::State &state, bool reuseBuffer) {
    auto connector = KSNetwork::createConnector(scriptUrl());
    connector->setCredentials(User, Digest);
    // Like the launcher's idle routine: read the progress, work out the bar, look at the clock.
    double shownFraction = 0;
    connector->setProgressCallback([&] {
        shownFraction = static_cast<double>(connector->getProgress()) / FileSize;
        benchmark::DoNotOptimize(shownFraction);
        benchmark::DoNotOptimize(Clock::now());
    });
    std::vector<char> reused;
    if (reuseBuffer && !connector->downloadSiteFile(FileName, &reused))
        state.SkipWithError("warm-up download failed");

    double connectorSeconds = 0;
    double curlSeconds = 0;
    double bareSeconds = 0;
    for (auto _ : state) {
        const double curl = curlDownloadSeconds();
        std::vector<char> bareFresh;
        bareFresh.reserve(reuseBuffer ? 0 : FileSize);
        std::vector<char> &bareBuffer = reuseBuffer ? reused : bareFresh;
        bareBuffer.clear();
        const double bare = bareLibcurlSeconds(bareBuffer);
        bareFresh = std::vector<char>();
        if (curl < 0 || bare < 0)
            state.SkipWithError("baseline download failed");
        curlSeconds += curl;
        bareSeconds += bare;

        std::vector<char> fresh;
        std::vector<char> &buffer = reuseBuffer ? reused : fresh;
        buffer.clear();
        const Clock::time_point start = Clock::now();
        if (!connector->downloadSiteFile(FileName, &buffer) || buffer.size() != FileSize)
            state.SkipWithError("incomplete download");
        const double seconds = secondsSince(start);
        benchmark::DoNotOptimize(buffer.data());
        connectorSeconds += seconds;
        state.SetIterationTime(seconds);
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peakBytes = static_cast<double>(usage.ru_maxrss) * 1024;
    const double memoryLimit = 1.25 * FileSize + 32.0 * MiB;
    state.SetBytesProcessed(static_cast<std::int64_t>(FileSize * state.iterations()));
    state.counters["curl_MiB_per_s"] = FileSize * state.iterations() / curlSeconds / MiB;
    state.counters["throughput_vs_curl"] = curlSeconds / connectorSeconds;
    state.counters["throughput_vs_bare_libcurl"] = bareSeconds / connectorSeconds;
    state.counters["peak_memory_vs_file"] = peakBytes / FileSize;
    state.counters["peak_memory_vs_limit"] = peakBytes / memoryLimit;
}

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (!prepareServer()) {
        std::fprintf(stderr, "Run through scripts/with-reference-server.sh.\n");
        return 1;
    }
    for (const bool reuse : {true, false})
        benchmark::RegisterBenchmark(reuse ? "DownloadSiteFile/ReusedBuffer"
                                           : "DownloadSiteFile/FreshBuffer",
                                     downloadSiteFile, reuse)
            ->Iterations(Iterations)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
