#include "terminal_server.h"

#include <chrono>

namespace termsim {

namespace {

constexpr int kStopPollMs = 200;
constexpr int kMaxDatagram = 65536;

} // namespace

TerminalServer::TerminalServer(Settings settings) : model_(settings) {}

TerminalServer::~TerminalServer() {
    Stop();
}

bool TerminalServer::Open(std::uint16_t port) {
    return library_.ok() && socket_.Open(port);
}

void TerminalServer::Serve() {
    std::vector<std::uint8_t> buffer(kMaxDatagram);
    while (!stop_) {
        if (!socket_.WaitReadable(kStopPollMs)) {
            continue;
        }
        Peer from = 0;
        const int n = socket_.Receive(buffer.data(), kMaxDatagram, &from);
        // Stop() wakes the loop with a datagram from the server's own port.
        if (n < 0 || from == socket_.LocalPort()) {
            continue;
        }
        Handle(from, std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)));
    }
}

bool TerminalServer::Start(std::uint16_t port) {
    if (!Open(port)) {
        return false;
    }
    stop_ = false;
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void TerminalServer::Stop() {
    stop_ = true;
    if (thread_.joinable()) {
        socket_.SendTo(socket_.LocalPort(), nullptr, 0);
        thread_.join();
    }
}

void TerminalServer::Handle(Peer peer, std::span<const std::uint8_t> datagram) {
    std::vector<Outgoing> out;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        model_.Receive(peer, datagram, out);
    }
    changed_.notify_all();
    SendAll(out);
}

void TerminalServer::SendAll(const std::vector<Outgoing>& packets) {
    for (const Outgoing& packet : packets) {
        socket_.SendTo(packet.peer, packet.bytes.data(), static_cast<int>(packet.bytes.size()));
    }
}

bool TerminalServer::WaitUntil(const std::function<bool(const TerminalModel&)>& condition,
                               int timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return condition(model_); });
}

bool TerminalServer::SendEvent(std::uint16_t session, const Event& event) {
    std::vector<Outgoing> out;
    bool known;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        known = model_.SendEvent(session, event, out);
    }
    SendAll(out);
    return known;
}

} // namespace termsim
