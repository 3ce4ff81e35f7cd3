// The simulated terminal on a UDP port of 127.0.0.1: a loop that feeds every datagram to a
// TerminalModel and sends back what it answers. Runs on a thread of its own (tests, benchmark)
// or on the caller's thread (the termsim program).
#pragma once

#include "terminal_model.h"
#include "udp_socket.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace termsim {

class TerminalServer {
public:
    explicit TerminalServer(Settings settings = {});
    ~TerminalServer();
    TerminalServer(const TerminalServer&) = delete;
    TerminalServer& operator=(const TerminalServer&) = delete;

    // Binds 127.0.0.1:port (0: any free port). False when the port cannot be had.
    bool Open(std::uint16_t port = 0);
    std::uint16_t port() const { return socket_.LocalPort(); }

    // Serves on the calling thread until RequestStop.
    void Serve();
    // Serves on a thread of its own until Stop (or destruction).
    bool Start(std::uint16_t port = 0);
    // Makes Serve return within 200 ms. Only sets a flag: safe from a signal handler.
    void RequestStop() { stop_ = true; }
    // Stops at once and waits for the server thread.
    void Stop();

    // Runs f on the model under the server's lock, e.g. to add commands or read what it saw.
    template <typename F> auto With(F&& f) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(model_);
    }
    // Waits up to timeoutMs until the condition holds on the model.
    bool WaitUntil(const std::function<bool(const TerminalModel&)>& condition, int timeoutMs);
    // Sends an event to the peer of a session. False when there is no such session.
    bool SendEvent(std::uint16_t session, const Event& event);

private:
    void Handle(Peer peer, std::span<const std::uint8_t> datagram);
    void SendAll(const std::vector<Outgoing>& packets);

    udp::SocketLibrary library_;
    udp::Socket socket_;
    std::mutex mutex_;
    std::condition_variable changed_;
    TerminalModel model_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace termsim
