// The scripted HTTP server of the network tests, over POSIX sockets or Winsock.
#include "tests/network/ScriptedServer.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <chrono>

namespace Testing {

namespace {
#ifdef _WIN32
using NativeSocket = SOCKET;
constexpr NativeSocket NoSocket = INVALID_SOCKET;
constexpr int SendFlags = 0;
constexpr int ShutdownSend = SD_SEND;
void closeNative(NativeSocket socket) { closesocket(socket); }
#else
using NativeSocket = int;
constexpr NativeSocket NoSocket = -1;
constexpr int SendFlags = MSG_NOSIGNAL;
constexpr int ShutdownSend = SHUT_WR;
void closeNative(NativeSocket socket) { ::close(socket); }
#endif
constexpr int PollMilliseconds = 50;

// Whether data (or a connection) is waiting, after at most milliseconds.
bool readable(NativeSocket socket, int milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return ::select(static_cast<int>(socket) + 1, &set, nullptr, nullptr, &timeout) > 0;
}

} // namespace

// The one owner of a socket.
class Socket {
public:
    explicit Socket(NativeSocket native) : handle(native) {}
    ~Socket() {
        if (handle != NoSocket)
            closeNative(handle);
    }
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;

    const NativeSocket handle;
};

namespace {
// A socket listening on a port of 127.0.0.1 that the system chose; holds NoSocket on failure.
std::unique_ptr<Socket> listenOnFreePort() {
#ifdef _WIN32
    static WSADATA data;
    static const int started = WSAStartup(MAKEWORD(2, 2), &data);
    static_cast<void>(started);
#endif
    auto listener = std::make_unique<Socket>(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener->handle, reinterpret_cast<const sockaddr *>(&address), sizeof address) ||
        ::listen(listener->handle, 4))
        return std::make_unique<Socket>(NoSocket);
    return listener;
}

int portOf(const Socket &socket) {
    sockaddr_in address;
    socklen_t length = sizeof address;
    const int failed =
        ::getsockname(socket.handle, reinterpret_cast<sockaddr *>(&address), &length);
    return failed ? 0 : ntohs(address.sin_port);
}
} // namespace

ScriptedServer::ScriptedServer(std::vector<std::string> parts, int connections)
    : ScriptedServer([parts](int, const std::string &) { return ScriptedReply{parts}; },
                     connections) {}

ScriptedServer::ScriptedServer(Script replies, int connections)
    : script(std::move(replies)), listener(listenOnFreePort()) {
    worker = std::thread([this, connections] { serve(connections); });
}

ScriptedServer::~ScriptedServer() {
    stopping = true;
    if (worker.joinable())
        worker.join();
}

std::string ScriptedServer::url() const {
    return "http://127.0.0.1:" + std::to_string(portOf(*listener)) + "/ksclient/ksserver.php";
}

std::vector<std::string> ScriptedServer::requestLines() const {
    std::vector<std::string> lines = requestHeads();
    for (std::string &line : lines)
        line.erase(std::min(line.size(), line.find("\r\n")));
    return lines;
}

std::vector<std::string> ScriptedServer::requestHeads() const {
    const std::lock_guard<std::mutex> guard(requestsLock);
    return requests;
}

void ScriptedServer::serve(int connections) {
    for (int index = 0; index < connections && listener->handle != NoSocket; ++index) {
        while (!readable(listener->handle, PollMilliseconds))
            if (stopping)
                return;
        const Socket connection(::accept(listener->handle, nullptr, nullptr));
        if (connection.handle == NoSocket)
            return;
        answer(connection, index);
    }
}

void ScriptedServer::answer(const Socket &connection, int index) {
    char block[4096];
    std::string received;
    while (received.find("\r\n\r\n") == std::string::npos && !stopping) {
        if (!readable(connection.handle, PollMilliseconds))
            continue;
        const int count = static_cast<int>(::recv(connection.handle, block, sizeof block, 0));
        if (count <= 0)
            break;
        received.append(block, static_cast<std::size_t>(count));
    }
    const std::string head = received.substr(0, received.find("\r\n\r\n"));
    {
        const std::lock_guard<std::mutex> guard(requestsLock);
        requests.push_back(head);
    }
    const ScriptedReply reply = script(index, head);
    for (std::size_t i = 0; i < reply.parts.size(); ++i) {
        if (i > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(reply.pauseMilliseconds));
        const std::string &part = reply.parts[i];
        // A blocking send returns once every byte is handed over, or fails.
        if (::send(connection.handle, part.data(), static_cast<int>(part.size()), SendFlags) !=
            static_cast<int>(part.size()))
            return;
    }
    if (reply.end == ScriptedReply::End::Reset) {
        // A zero linger makes the close send a reset instead of an orderly end.
        const linger abort{1, 0};
        ::setsockopt(connection.handle, SOL_SOCKET, SO_LINGER,
                     reinterpret_cast<const char *>(&abort), sizeof abort);
        return;
    }
    if (reply.end == ScriptedReply::End::Close)
        ::shutdown(connection.handle, ShutdownSend);
    waitForClient(connection);
}

void ScriptedServer::waitForClient(const Socket &connection) const {
    char block[4096];
    // Drain until the client closes or connects anew, so the close cannot reset unread data.
    while (!stopping && !readable(listener->handle, 0))
        if (readable(connection.handle, PollMilliseconds) &&
            ::recv(connection.handle, block, sizeof block, 0) <= 0)
            break;
}

int closedLoopbackPort() { return portOf(*listenOnFreePort()); }

KSNetwork::TransferSettings singleTry() {
    KSNetwork::TransferSettings settings;
    settings.retries = 0;
    return settings;
}

} // namespace Testing
