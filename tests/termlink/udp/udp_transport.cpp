// A transport library for termlink over UDP on 127.0.0.1: one datagram carries one packet.
//
//   EMBUDP_INIT(terminalPort, localPort, unused)  the terminal listens on 127.0.0.1:terminalPort;
//                                                 the library binds 127.0.0.1:localPort (0: any)
//   EMBUDP_TERMINALREAD                           the pending EMBUDP_READ, or else the next one,
//                                                 returns 0; a read that waits on its sockets is
//                                                 woken by a datagram to a second socket
//
// The address is always 127.0.0.1. Only the terminal's datagrams are received.
#include "termlink_transport.h"
#include "udp_socket.h"

#include <atomic>
#include <chrono>
#include <new>

#if defined(_WIN32)
#define UDPTRANSPORT_EXPORT
#else
#define UDPTRANSPORT_EXPORT __attribute__((visibility("default")))
#endif

namespace {

struct UdpTransport {
    udp::SocketLibrary library;
    udp::Socket socket; // tied to the terminal's port
    udp::Socket wake;   // receives the datagrams of EMBUDP_TERMINALREAD from itself
    // Raised by EMBUDP_TERMINALREAD, taken by the read that it ends.
    std::atomic<bool> wakeRequested{false};
    // Reads between their look at wakeRequested and their return: only these need a datagram.
    std::atomic<int> waitingReads{0};
};

UdpTransport* FromHandle(void* handle) {
    return static_cast<UdpTransport*>(handle);
}

// Empties the wake socket. True when that ends the read: a wake was requested. A datagram
// without a request is left over from a request that a read took without waiting on the
// sockets, and does not end the read; a request raised meanwhile still counts.
bool TakeWake(UdpTransport* t) {
    char byte;
    while (t->wake.Receive(&byte, 1) >= 0) {
    }
    return t->wakeRequested.exchange(false);
}

// The read proper, counted among the waiting reads by its caller.
int WaitForPacket(UdpTransport* t, void* buffer, int capacity, int timeoutMs) {
    if (t->wakeRequested.exchange(false)) {
        return 0;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
    const udp::Socket* sockets[] = {&t->socket, &t->wake};
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        const unsigned ready =
            udp::Socket::WaitAny(sockets, 2, left > 0 ? static_cast<int>(left) : 0);
        const bool woken = (ready & 2U) != 0 && TakeWake(t);
        if ((ready & 1U) != 0) {
            const int n = t->socket.Receive(buffer, capacity);
            if (n > 0) {
                return n;
            }
        }
        // Empty datagrams and errors reported for earlier sends are no packet: wait on.
        if (woken || left <= 0) {
            return 0;
        }
    }
}

} // namespace

extern "C" {

UDPTRANSPORT_EXPORT void* EMBUDP_CALL EMBUDP_INIT(int terminalPort, int localPort, int) {
    if (terminalPort < 1 || terminalPort > 65535 || localPort < 0 || localPort > 65535) {
        return nullptr;
    }
    auto* t = new (std::nothrow) UdpTransport;
    if (t == nullptr) {
        return nullptr;
    }
    if (!t->library.ok() || !t->socket.Open(static_cast<std::uint16_t>(localPort)) ||
        !t->socket.Connect(static_cast<std::uint16_t>(terminalPort)) || !t->wake.Open(0)) {
        delete t;
        return nullptr;
    }
    return t;
}

UDPTRANSPORT_EXPORT int EMBUDP_CALL EMBUDP_CLOSE(void* handle) {
    delete FromHandle(handle);
    return 1;
}

// Datagram sends of one socket do not interleave, so the reader thread's acknowledgements and
// the caller's requests need no lock of their own.
UDPTRANSPORT_EXPORT int EMBUDP_CALL EMBUDP_SEND(void* handle, const void* bytes, int length) {
    UdpTransport* t = FromHandle(handle);
    return t != nullptr && t->socket.Send(bytes, length) ? 1 : 0;
}

// Waits up to the time-out for one datagram of the terminal. Returns its length (cut to the
// capacity), or 0 when none came or EMBUDP_TERMINALREAD woke the wait.
UDPTRANSPORT_EXPORT int EMBUDP_CALL EMBUDP_READ(void* handle, void* buffer, int capacity,
                                                int timeoutMs) {
    UdpTransport* t = FromHandle(handle);
    if (t == nullptr || buffer == nullptr || capacity < 1) {
        return 0;
    }
    t->waitingReads.fetch_add(1);
    const int n = WaitForPacket(t, buffer, capacity, timeoutMs);
    t->waitingReads.fetch_sub(1);
    return n;
}

// Makes a pending EMBUDP_READ on another thread return. When no read is pending, the next one
// returns at once with 0 instead. The datagram goes out only when a read may wait on the
// sockets: a read counts itself as waiting before it looks at the request, and this raises the
// request before it looks at the count, so one of the two always sees the other.
UDPTRANSPORT_EXPORT int EMBUDP_CALL EMBUDP_TERMINALREAD(void* handle) {
    UdpTransport* t = FromHandle(handle);
    if (t == nullptr) {
        return 0;
    }
    t->wakeRequested.store(true);
    if (t->waitingReads.load() == 0) {
        return 1;
    }
    const char byte = 0;
    return t->wake.SendTo(t->wake.LocalPort(), &byte, 1) ? 1 : 0;
}

UDPTRANSPORT_EXPORT const char* EMBUDP_CALL EMBUDP_NAME(void*) {
    return "UDP";
}

} // extern "C"
