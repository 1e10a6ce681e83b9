// A 256 MiB package through downloadSiteFile into a resumable staged file over a paced loopback
// link that drops the connection after every 32 MiB it carries, against the same link without
// drops in the same run. The server is in this program (127.0.0.1, ranges and If-Range as the
// reference servers answer them) and counts the body bytes it sent. Counters: bytes_ratio and
// time_ratio (drops over no drops; goals 1.2 and 1.5). FLAKY_RATE_MIB sets the link's pace in MiB/s
// (default 8); the launcher's shipped retry wait of 1 s applies.
#include "io/ResumableFile.h"
#include "network/KSConnector.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr std::size_t MiB = 1024 * 1024;
constexpr std::size_t PackageSize = 256 * MiB;
constexpr std::size_t DropEvery = 32 * MiB;
constexpr std::size_t Block = 64 * 1024;
using Clock = std::chrono::steady_clock;

// Serves one package of zero bytes to one connection at a time, paced, cut after dropEvery body
// bytes a connection when dropEvery is not 0.
class FlakyServer {
public:
    explicit FlakyServer(std::size_t dropEvery) : dropEvery(dropEvery) {
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
        ::listen(listener, 4);
        socklen_t length = sizeof address;
        ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
        port = ntohs(address.sin_port);
        const char *rate = std::getenv("FLAKY_RATE_MIB");
        bytesPerSecond = (rate ? std::atof(rate) : 8.0) * MiB;
        worker = std::thread([this] { serve(); });
    }
    ~FlakyServer() {
        ::shutdown(listener, SHUT_RDWR);
        ::close(listener);
        worker.join();
    }

    std::string url() const {
        return "http://127.0.0.1:" + std::to_string(port) + "/ksclient/ksserver.php";
    }
    std::size_t sent() const { return bodyBytes; }

private:
    void serve() {
        for (;;) {
            const int connection = ::accept(listener, nullptr, nullptr);
            if (connection < 0)
                return;
            answer(connection);
            ::close(connection);
        }
    }

    void answer(int connection) {
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
            const ssize_t count = ::recv(connection, buffer, sizeof buffer, 0);
            if (count <= 0)
                return;
            head.append(buffer, static_cast<std::size_t>(count));
        }
        std::size_t from = 0;
        const std::size_t range = head.find("Range: bytes=");
        if (range != std::string::npos && head.find("If-Range: \"v1\"") != std::string::npos)
            from = std::strtoull(head.c_str() + range + 13, nullptr, 10);
        std::string reply =
            from > 0 ? "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " +
                           std::to_string(from) + "-" + std::to_string(PackageSize - 1) + "/" +
                           std::to_string(PackageSize) + "\r\n"
                     : std::string("HTTP/1.1 200 OK\r\n");
        reply += "ETag: \"v1\"\r\nContent-Length: " + std::to_string(PackageSize - from) +
                 "\r\nConnection: close\r\n\r\n";
        ::send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);
        const std::string zeros(Block, '\0');
        const Clock::time_point start = Clock::now();
        std::size_t here = 0;
        while (from + here < PackageSize && (dropEvery == 0 || here < dropEvery)) {
            const std::size_t size = std::min(Block, PackageSize - from - here);
            if (::send(connection, zeros.data(), size, MSG_NOSIGNAL) != static_cast<ssize_t>(size))
                return;
            here += size;
            bodyBytes += size;
            std::this_thread::sleep_until(
                start + std::chrono::duration_cast<Clock::duration>(
                            std::chrono::duration<double>(here / bytesPerSecond)));
        }
    }

    std::size_t dropEvery;
    int listener = -1;
    int port = 0;
    double bytesPerSecond = 0;
    std::atomic<std::size_t> bodyBytes{0};
    std::thread worker;
};

struct Figures {
    double seconds = 0;
    double bytes = 0;
};

Figures download(std::size_t dropEvery, benchmark::State &state) {
    FlakyServer server(dropEvery);
    auto connector = KSNetwork::createConnector(server.url());
    const std::string path = "flaky-link-package.bin";
    Cobalt::IO::ResumableFile::remove(path);
    auto file = Cobalt::IO::ResumableFile::open(path);
    const Clock::time_point start = Clock::now();
    const bool done = connector->downloadSiteFile("package.bin", *file) && file->close() &&
                      file->size() == PackageSize;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    Cobalt::IO::ResumableFile::remove(path);
    if (!done)
        state.SkipWithError("the download did not finish whole");
    return {seconds, static_cast<double>(server.sent())};
}

void BM_FlakyLink(benchmark::State &state) {
    Figures steady;
    Figures flaky;
    for (auto _ : state) {
        steady = download(0, state);
        flaky = download(DropEvery, state);
    }
    state.counters["steady_s"] = steady.seconds;
    state.counters["flaky_s"] = flaky.seconds;
    state.counters["bytes_ratio"] = flaky.bytes / steady.bytes;
    state.counters["time_ratio"] = flaky.seconds / steady.seconds;
}
BENCHMARK(BM_FlakyLink)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
