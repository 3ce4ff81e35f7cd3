// Loopback-only UDP sockets for the test peers (Winsock on Windows, BSD sockets elsewhere).
// Every socket is bound to 127.0.0.1 and every peer is a port on 127.0.0.1: there is no way to
// name another host here.
#pragma once

#include <cstdint>

namespace udp {

// Keeps the system's socket library initialised while it lives (Winsock; nothing on POSIX).
class SocketLibrary {
public:
    SocketLibrary();
    ~SocketLibrary(); // NOLINT(performance-trivially-destructible): Winsock needs it
    SocketLibrary(const SocketLibrary&) = delete;
    SocketLibrary& operator=(const SocketLibrary&) = delete;

    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

// A non-blocking UDP socket on 127.0.0.1. One datagram carries one packet. Sending from
// several threads at once is safe: each datagram goes out whole.
class Socket {
public:
    Socket() = default;
    ~Socket() { Close(); }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // Binds to 127.0.0.1:port; port 0 takes any free port.
    bool Open(std::uint16_t port);
    void Close();
    bool IsOpen() const;
    std::uint16_t LocalPort() const { return localPort_; }

    // Ties the socket to the peer 127.0.0.1:port: Send goes there, and only its datagrams arrive.
    bool Connect(std::uint16_t port);

    // Sends one datagram to the connected peer, or to 127.0.0.1:port. True when it went out.
    bool Send(const void* bytes, int length);
    bool SendTo(std::uint16_t port, const void* bytes, int length);

    // Takes one waiting datagram without blocking. Returns its length, cut to the capacity, or -1
    // when none is waiting (or the system reported an error for this socket instead).
    int Receive(void* buffer, int capacity, std::uint16_t* fromPort = nullptr);

    // Waits up to timeoutMs until a datagram is waiting.
    bool WaitReadable(int timeoutMs) const;

    // Waits up to timeoutMs until one of the sockets has a datagram waiting. Returns a bit mask
    // (bit i for sockets[i], at most 8 sockets); 0 when the time ran out.
    static unsigned WaitAny(const Socket* const* sockets, int count, int timeoutMs);

private:
    bool SendOnce(const void* bytes, int length, const void* address, bool* retry);
    bool SendWithin(const void* bytes, int length, const void* address);
    bool WaitWritable(int timeoutMs) const;

    std::intptr_t handle_ = -1;
    std::uint16_t localPort_ = 0;
};

} // namespace udp
