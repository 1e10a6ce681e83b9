// Load client of scripts/load-test.sh: many players downloading one file over slow lines from a
// server on 127.0.0.1, each read paced to a fixed rate at every moment (curl's --limit-rate paces
// the average since the request started, so a player that waited for a busy server would then
// take the file at full speed). One thread that wakes every tick and lets each player read what
// its allowance permits: a fixed number of system calls per player and tick, so that the client
// stays light beside the server on a small machine. Small receive buffers, so that the server, not
// the kernel, holds what the player has not read yet. Every body is checked against an MD5.
//
// Usage: SlowPlayers <port> <path> <players> <rounds> <bytes-per-second> <deadline-s> <md5>
// Prints "intact=N cut=N bad=N bytes=N seconds=S" on one line: downloads with status 200, the
// whole Content-Length and the right MD5; downloads still running or not yet started at the
// deadline; the others (short, wrong, refused); the body bytes of the intact downloads; seconds
// from the start to the end of the last intact download. Exits 1 unless every download was
// intact.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int ReceiveBuffer = 64 * 1024;
constexpr std::size_t ReadChunk = 64 * 1024;
// A player may read at most this much of its rate at once, so the pace holds within 50 ms.
constexpr double BurstSeconds = 0.05;
constexpr long TickNanoseconds = 10'000'000;

struct Settings {
    int port = 0;
    std::string path;
    int players = 0;
    int rounds = 0;
    double rate = 0;
    double deadline = 0;
    std::string md5;
};

struct Totals {
    long intact = 0;
    long cut = 0;
    long bad = 0;
    long long intactBytes = 0;
    Clock::time_point lastIntactEnd;
};

class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) : fd_(fd) {}
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;
    Socket(Socket &&other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Socket &operator=(Socket &&other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~Socket() {
        if (fd_ >= 0)
            close(fd_);
    }
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

struct DigestFree {
    void operator()(EVP_MD_CTX *context) const { EVP_MD_CTX_free(context); }
};

std::string hex(const unsigned char *bytes, unsigned size) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned i = 0; i < size; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

// One download at a time: request sent, header read, body read at the player's pace.
class Player {
public:
    explicit Player(const Settings &settings) : settings_(settings) {}

    // Starts the next round; false when every round has run.
    bool start(Totals &totals) {
        if (round_ == settings_.rounds)
            return false;
        ++round_;
        header_.clear();
        received_ = 0;
        length_ = -1;
        status_ = 0;
        digest_.reset(EVP_MD_CTX_new());
        EVP_DigestInit_ex(digest_.get(), EVP_md5(), nullptr);
        socket_ = Socket(socket(AF_INET, SOCK_STREAM, 0));
        setsockopt(socket_.fd(), SOL_SOCKET, SO_RCVBUF, &ReceiveBuffer, sizeof ReceiveBuffer);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<unsigned short>(settings_.port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const std::string request = "GET " + settings_.path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                                    "Connection: close\r\n\r\n";
        // Blocking connect and send: on loopback both finish at once or fail.
        if (connect(socket_.fd(), reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
            send(socket_.fd(), request.data(), request.size(), MSG_NOSIGNAL) !=
                static_cast<ssize_t>(request.size())) {
            finish(totals);
            return start(totals);
        }
        return true;
    }

    // Adds the allowance of the elapsed time (what a stalled server did not send by then is lost,
    // as on a real line), then reads what it permits without waiting; ends the download on its
    // last byte or on a failure.
    void tick(double seconds, Totals &totals) {
        allowance_ = std::min(allowance_ + seconds * settings_.rate, settings_.rate * BurstSeconds);
        while (socket_.fd() >= 0 && allowance_ >= 1) {
            static char buffer[ReadChunk];
            const std::size_t want = std::min(ReadChunk, static_cast<std::size_t>(allowance_));
            const ssize_t got = recv(socket_.fd(), buffer, want, MSG_DONTWAIT);
            if (got < 0 && (errno == EAGAIN || errno == EINTR))
                return;
            if (got <= 0) {
                finish(totals);
                start(totals);
                return;
            }
            allowance_ -= static_cast<double>(got);
            consume(buffer, static_cast<std::size_t>(got));
            if (length_ >= 0 && received_ >= length_) {
                finish(totals);
                start(totals);
            }
        }
    }

    // Counts the running download and the rounds not run as cut.
    void cut(Totals &totals) {
        if (socket_.fd() >= 0) {
            ++totals.cut;
            socket_ = Socket();
        }
        totals.cut += settings_.rounds - round_;
        round_ = settings_.rounds;
    }

    int fd() const { return socket_.fd(); }

private:
    void consume(const char *data, std::size_t size) {
        if (length_ < 0) {
            header_.append(data, size);
            const std::size_t end = header_.find("\r\n\r\n");
            if (end == std::string::npos)
                return;
            parseHeader(header_.substr(0, end));
            const std::string body = header_.substr(end + 4);
            header_.clear();
            consumeBody(body.data(), body.size());
            return;
        }
        consumeBody(data, size);
    }

    void consumeBody(const char *data, std::size_t size) {
        EVP_DigestUpdate(digest_.get(), data, size);
        received_ += static_cast<long long>(size);
    }

    void parseHeader(const std::string &header) {
        std::sscanf(header.c_str(), "HTTP/1.%*d %d", &status_);
        const char *field = strcasestr(header.c_str(), "\r\nContent-Length:");
        length_ = field == nullptr ? 0 : std::atoll(field + 17);
    }

    void finish(Totals &totals) {
        unsigned char sum[EVP_MAX_MD_SIZE];
        unsigned size = 0;
        EVP_DigestFinal_ex(digest_.get(), sum, &size);
        const bool intact = status_ == 200 && length_ >= 0 && received_ == length_ &&
                            hex(sum, size) == settings_.md5;
        if (intact) {
            ++totals.intact;
            totals.intactBytes += received_;
            totals.lastIntactEnd = Clock::now();
        } else {
            ++totals.bad;
        }
        socket_ = Socket();
    }

    const Settings &settings_;
    Socket socket_;
    std::unique_ptr<EVP_MD_CTX, DigestFree> digest_;
    std::string header_;
    int round_ = 0;
    int status_ = 0;
    long long length_ = -1;
    long long received_ = 0;
    double allowance_ = 0;
};

bool parse(int argc, char **argv, Settings &settings) {
    if (argc != 8)
        return false;
    settings.port = std::atoi(argv[1]);
    settings.path = argv[2];
    settings.players = std::atoi(argv[3]);
    settings.rounds = std::atoi(argv[4]);
    settings.rate = std::atof(argv[5]);
    settings.deadline = std::atof(argv[6]);
    settings.md5 = argv[7];
    return settings.port > 0 && settings.players > 0 && settings.rounds > 0 && settings.rate > 0 &&
           settings.deadline > 0 && settings.md5.size() == 32;
}

double seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

void run(const Settings &settings, Totals &totals) {
    std::vector<std::unique_ptr<Player>> players;
    for (int i = 0; i < settings.players; ++i) {
        players.push_back(std::make_unique<Player>(settings));
        players.back()->start(totals);
    }
    const Clock::time_point begin = Clock::now();
    Clock::time_point last = begin;
    timespec wake{};
    clock_gettime(CLOCK_MONOTONIC, &wake);
    while (seconds(Clock::now() - begin) < settings.deadline) {
        const bool running = std::any_of(players.begin(), players.end(),
                                         [](const auto &player) { return player->fd() >= 0; });
        if (!running)
            break;
        // Absolute wake-ups, so that the time spent reading does not stretch the tick.
        wake.tv_nsec += TickNanoseconds;
        if (wake.tv_nsec >= 1'000'000'000) {
            wake.tv_nsec -= 1'000'000'000;
            ++wake.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr);
        // After a stall, the next tick is a whole tick away rather than a burst of late ones.
        timespec current{};
        clock_gettime(CLOCK_MONOTONIC, &current);
        if ((current.tv_sec - wake.tv_sec) * 1'000'000'000L + current.tv_nsec - wake.tv_nsec >
            TickNanoseconds)
            wake = current;
        const Clock::time_point now = Clock::now();
        for (auto &player : players)
            player->tick(seconds(now - last), totals);
        last = now;
    }
    for (auto &player : players)
        player->cut(totals);
}

} // namespace

int main(int argc, char **argv) {
    Settings settings;
    if (!parse(argc, argv, settings)) {
        std::fprintf(stderr,
                     "usage: %s <port> <path> <players> <rounds> <bytes-per-second> "
                     "<deadline-s> <md5>\n",
                     argv[0]);
        return 2;
    }
    Totals totals;
    const Clock::time_point begin = Clock::now();
    totals.lastIntactEnd = begin;
    run(settings, totals);
    std::printf("intact=%ld cut=%ld bad=%ld bytes=%lld seconds=%.3f\n", totals.intact, totals.cut,
                totals.bad, totals.intactBytes, seconds(totals.lastIntactEnd - begin));
    return totals.cut == 0 && totals.bad == 0 ? 0 : 1;
}
