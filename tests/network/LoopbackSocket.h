// A TCP socket on 127.0.0.1 for the tests' scripted server; hides POSIX sockets and Winsock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Testing {

class LoopbackSocket {
public:
    LoopbackSocket() = default;
    LoopbackSocket(LoopbackSocket &&other) noexcept;
    LoopbackSocket &operator=(LoopbackSocket &&other) noexcept;
    LoopbackSocket(const LoopbackSocket &) = delete;
    LoopbackSocket &operator=(const LoopbackSocket &) = delete;
    ~LoopbackSocket();

    // A socket listening on a port of 127.0.0.1 that the system chose; invalid on failure.
    static LoopbackSocket listenOnFreePort();

    bool valid() const;
    // The local port, 0 when unknown.
    int port() const;
    // Whether data (or a connection) is waiting, after at most milliseconds.
    bool waitReadable(int milliseconds) const;
    // The next waiting connection; invalid on failure.
    LoopbackSocket accept() const;
    // Reads up to size bytes; 0 at the end of the stream, negative on failure.
    long receive(char *data, std::size_t size) const;
    // Sends every byte; false on failure.
    bool sendAll(const std::string &bytes) const;
    // Ends the sending direction, so the peer reads the end of the stream.
    void shutdownSending() const;

private:
    using Handle = std::uintptr_t;
    explicit LoopbackSocket(Handle socketHandle) : handle(socketHandle) {}
    void close();

    Handle handle = invalidHandle();
    static Handle invalidHandle();
};

} // namespace Testing
