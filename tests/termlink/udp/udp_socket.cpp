#include "udp_socket.h"

#include <chrono>
#include <cstring>
#include <thread>

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace udp {

namespace {

#if defined(_WIN32)
using Native = SOCKET;
constexpr Native kInvalid = INVALID_SOCKET;
bool WouldBlock() {
    return WSAGetLastError() == WSAEWOULDBLOCK;
}
bool Truncated() {
    return WSAGetLastError() == WSAEMSGSIZE;
}
void CloseNative(Native s) {
    closesocket(s);
}
bool MakeNonBlocking(Native s) {
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}
#else
using Native = int;
constexpr Native kInvalid = -1;
bool WouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK;
}
bool Truncated() {
    return false;
}
void CloseNative(Native s) {
    close(s);
}
bool MakeNonBlocking(Native s) {
    const int flags = fcntl(s, F_GETFL, 0);
    return flags >= 0 && fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
}
#endif

Native ToNative(std::intptr_t handle) {
    return static_cast<Native>(handle);
}

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Room for a whole burst of data packets that the terminal sends before the reader gets to
// them (a multi-packet answer of a 1 MiB block is 1024 datagrams). The system may give less.
constexpr int kReceiveBufferBytes = 4 << 20;

void WidenReceiveBuffer(Native s) {
    const int size = kReceiveBufferBytes;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);
}

int ClampTimeout(int timeoutMs) {
    return timeoutMs < 0 ? 0 : timeoutMs;
}

} // namespace

#if defined(_WIN32)
SocketLibrary::SocketLibrary() {
    WSADATA data;
    ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}
SocketLibrary::~SocketLibrary() {
    if (ok_) {
        WSACleanup();
    }
}
#else
SocketLibrary::SocketLibrary() : ok_(true) {}
SocketLibrary::~SocketLibrary() = default;
#endif

bool Socket::Open(std::uint16_t port) {
    Close();
    const Native s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == kInvalid) {
        return false;
    }
    sockaddr_in address = Loopback(port);
    socklen_t size = sizeof address;
    if (!MakeNonBlocking(s) ||
        bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        CloseNative(s);
        return false;
    }
    WidenReceiveBuffer(s);
    handle_ = static_cast<std::intptr_t>(s);
    localPort_ = ntohs(address.sin_port);
    return true;
}

void Socket::Close() {
    if (IsOpen()) {
        CloseNative(ToNative(handle_));
    }
    handle_ = static_cast<std::intptr_t>(kInvalid);
    localPort_ = 0;
}

bool Socket::IsOpen() const {
    return ToNative(handle_) != kInvalid;
}

bool Socket::Connect(std::uint16_t port) {
    const sockaddr_in address = Loopback(port);
    return IsOpen() && port != 0 &&
           connect(ToNative(handle_), reinterpret_cast<const sockaddr*>(&address),
                   sizeof address) == 0;
}

bool Socket::SendOnce(const void* bytes, int length, const void* address, bool* retry) {
    const auto* data = static_cast<const char*>(bytes);
    const auto* to = static_cast<const sockaddr*>(address);
    auto sent = to != nullptr ? sendto(ToNative(handle_), data, length, 0, to, sizeof(sockaddr_in))
                              : send(ToNative(handle_), data, length, 0);
    *retry = sent < 0 && WouldBlock();
    return sent == static_cast<decltype(sent)>(length);
}

bool Socket::Send(const void* bytes, int length) {
    if (!IsOpen() || length < 0 || (length > 0 && bytes == nullptr)) {
        return false;
    }
    return SendWithin(bytes, length, nullptr);
}

bool Socket::SendTo(std::uint16_t port, const void* bytes, int length) {
    if (!IsOpen() || port == 0 || length < 0 || (length > 0 && bytes == nullptr)) {
        return false;
    }
    const sockaddr_in address = Loopback(port);
    return SendWithin(bytes, length, &address);
}

// A full send queue drains quickly on loopback: wait for room for up to a second.
bool Socket::SendWithin(const void* bytes, int length, const void* address) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    for (;;) {
        bool retry = false;
        if (SendOnce(bytes, length, address, &retry)) {
            return true;
        }
        if (!retry || std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        if (!WaitWritable(10)) {
            continue;
        }
        std::this_thread::yield();
    }
}

int Socket::Receive(void* buffer, int capacity, std::uint16_t* fromPort) {
    if (!IsOpen() || capacity < 0 || (capacity > 0 && buffer == nullptr)) {
        return -1;
    }
    sockaddr_in from{};
    socklen_t size = sizeof from;
    const auto n = recvfrom(ToNative(handle_), static_cast<char*>(buffer), capacity, 0,
                            reinterpret_cast<sockaddr*>(&from), &size);
    int count = static_cast<int>(n);
    if (n < 0) {
        // Windows reports a datagram longer than the buffer as an error, with the buffer filled.
        if (!Truncated()) {
            return -1;
        }
        count = capacity;
    }
    if (fromPort != nullptr) {
        *fromPort = ntohs(from.sin_port);
    }
    return count;
}

bool Socket::WaitReadable(int timeoutMs) const {
    const Socket* self = this;
    return WaitAny(&self, 1, timeoutMs) != 0;
}

#if defined(_WIN32)
unsigned Socket::WaitAny(const Socket* const* sockets, int count, int timeoutMs) {
    fd_set readable;
    FD_ZERO(&readable);
    bool any = false;
    for (int i = 0; i < count && i < 8; ++i) {
        if (sockets[i]->IsOpen()) {
            FD_SET(ToNative(sockets[i]->handle_), &readable);
            any = true;
        }
    }
    if (!any) {
        Sleep(static_cast<DWORD>(ClampTimeout(timeoutMs)));
        return 0;
    }
    timeval wait{ClampTimeout(timeoutMs) / 1000, (ClampTimeout(timeoutMs) % 1000) * 1000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) {
        return 0;
    }
    unsigned mask = 0;
    for (int i = 0; i < count && i < 8; ++i) {
        if (sockets[i]->IsOpen() && FD_ISSET(ToNative(sockets[i]->handle_), &readable)) {
            mask |= 1U << i;
        }
    }
    return mask;
}

bool Socket::WaitWritable(int timeoutMs) const {
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(ToNative(handle_), &writable);
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return select(0, nullptr, &writable, nullptr, &wait) > 0;
}
#else
unsigned Socket::WaitAny(const Socket* const* sockets, int count, int timeoutMs) {
    pollfd fds[8];
    const int n = count < 8 ? count : 8;
    for (int i = 0; i < n; ++i) {
        fds[i] = pollfd{ToNative(sockets[i]->handle_), POLLIN, 0};
    }
    int ready;
    do {
        ready = poll(fds, static_cast<nfds_t>(n), ClampTimeout(timeoutMs));
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
        return 0;
    }
    unsigned mask = 0;
    for (int i = 0; i < n; ++i) {
        // An error waiting on the socket (a refused earlier send) also wakes the wait; the
        // following Receive takes it and reports nothing.
        if ((fds[i].revents & (POLLIN | POLLERR)) != 0) {
            mask |= 1U << i;
        }
    }
    return mask;
}

bool Socket::WaitWritable(int timeoutMs) const {
    pollfd fd{ToNative(handle_), POLLOUT, 0};
    return poll(&fd, 1, timeoutMs) > 0;
}
#endif

} // namespace udp
