// Loopback sockets over POSIX sockets or Winsock; the only platform code of the network tests.
#include "tests/network/LoopbackSocket.h"

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

#include <cstring>
#include <utility>

namespace Testing {

namespace {
#ifdef _WIN32
using NativeSocket = SOCKET;
constexpr NativeSocket NoSocket = INVALID_SOCKET;
constexpr int SendFlags = 0;
constexpr int ShutdownSend = SD_SEND;
void startSockets() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    static_cast<void>(started);
}
void closeNative(NativeSocket socket) { closesocket(socket); }
#else
using NativeSocket = int;
constexpr NativeSocket NoSocket = -1;
constexpr int SendFlags = MSG_NOSIGNAL;
constexpr int ShutdownSend = SHUT_WR;
void startSockets() {}
void closeNative(NativeSocket socket) { ::close(socket); }
#endif

NativeSocket native(std::uintptr_t handle) { return static_cast<NativeSocket>(handle); }

sockaddr_in loopbackAddress(unsigned short port) {
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}
} // namespace

LoopbackSocket::Handle LoopbackSocket::invalidHandle() { return static_cast<Handle>(NoSocket); }

LoopbackSocket::LoopbackSocket(LoopbackSocket &&other) noexcept
    : handle(std::exchange(other.handle, invalidHandle())) {}

LoopbackSocket &LoopbackSocket::operator=(LoopbackSocket &&other) noexcept {
    if (this != &other) {
        close();
        handle = std::exchange(other.handle, invalidHandle());
    }
    return *this;
}

LoopbackSocket::~LoopbackSocket() { close(); }

void LoopbackSocket::close() {
    if (valid())
        closeNative(native(handle));
    handle = invalidHandle();
}

bool LoopbackSocket::valid() const { return handle != invalidHandle(); }

LoopbackSocket LoopbackSocket::listenOnFreePort() {
    startSockets();
    LoopbackSocket listener(static_cast<Handle>(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)));
    if (!listener.valid())
        return listener;
    const sockaddr_in address = loopbackAddress(0);
    if (::bind(native(listener.handle), reinterpret_cast<const sockaddr *>(&address),
               sizeof address) != 0 ||
        ::listen(native(listener.handle), 4) != 0)
        return LoopbackSocket();
    return listener;
}

int LoopbackSocket::port() const {
    sockaddr_in address;
    socklen_t length = sizeof address;
    if (::getsockname(native(handle), reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

bool LoopbackSocket::waitReadable(int milliseconds) const {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(native(handle), &readable);
    timeval timeout;
    timeout.tv_sec = milliseconds / 1000;
    timeout.tv_usec = (milliseconds % 1000) * 1000;
    return ::select(static_cast<int>(native(handle)) + 1, &readable, nullptr, nullptr, &timeout) >
           0;
}

LoopbackSocket LoopbackSocket::accept() const {
    return LoopbackSocket(static_cast<Handle>(::accept(native(handle), nullptr, nullptr)));
}

long LoopbackSocket::receive(char *data, std::size_t size) const {
    return static_cast<long>(::recv(native(handle), data, static_cast<int>(size), 0));
}

bool LoopbackSocket::sendAll(const std::string &bytes) const {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const long result = static_cast<long>(::send(
            native(handle), bytes.data() + sent, static_cast<int>(bytes.size() - sent), SendFlags));
        if (result <= 0)
            return false;
        sent += static_cast<std::size_t>(result);
    }
    return true;
}

void LoopbackSocket::shutdownSending() const { ::shutdown(native(handle), ShutdownSend); }

} // namespace Testing
