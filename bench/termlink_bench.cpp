// termlink_bench: the cost of termlink's transaction engine. Measures, on 127.0.0.1, round
// trips of TERMPRO_SENDCMD over the UDP transport (a connection with a callback, so with a
// reader thread) against a raw UDP ping-pong of the same packet sizes, and prints both rates
// and their ratio.
//
//   termlink_bench [--rounds N] [--transport FILE]
#include "terminal_server.h"
#include "termlink.h"
#include "udp_socket.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 3;
constexpr int kWarmUp = 200;
constexpr int kTimeoutMs = 1000;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Round trips per second of `rounds` calls of roundTrip, or 0 when one failed.
template <typename F> double Rate(int rounds, F&& roundTrip) {
    for (int i = 0; i < kWarmUp; ++i) {
        if (!roundTrip()) {
            return 0;
        }
    }
    const auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        if (!roundTrip()) {
            return 0;
        }
    }
    return rounds / SecondsSince(start);
}

// The peer of the raw ping-pong: sends every datagram straight back.
class EchoServer {
public:
    bool Start() {
        if (!socket_.Open(0)) {
            return false;
        }
        thread_ = std::thread([this] {
            std::vector<std::uint8_t> buffer(2048);
            while (!stop_) {
                if (!socket_.WaitReadable(200)) {
                    continue;
                }
                std::uint16_t from = 0;
                const int n = socket_.Receive(buffer.data(), 2048, &from);
                if (n >= 0 && from != socket_.LocalPort()) {
                    socket_.SendTo(from, buffer.data(), n);
                }
            }
        });
        return true;
    }
    ~EchoServer() {
        stop_ = true;
        if (thread_.joinable()) {
            socket_.SendTo(socket_.LocalPort(), nullptr, 0);
            thread_.join();
        }
    }
    std::uint16_t port() const { return socket_.LocalPort(); }

private:
    udp::Socket socket_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

double RawPingPong(int packetSize, int rounds) {
    EchoServer echo;
    udp::Socket client;
    if (!echo.Start() || !client.Open(0) || !client.Connect(echo.port())) {
        return 0;
    }
    std::vector<std::uint8_t> packet(static_cast<std::size_t>(packetSize), 0x5A);
    std::vector<std::uint8_t> reply(2048);
    return Rate(rounds, [&] {
        return client.Send(packet.data(), packetSize) && client.WaitReadable(kTimeoutMs) &&
               client.Receive(reply.data(), 2048) == packetSize;
    });
}

int TERMLINK_CALL IgnoreEvent(int, int, int, const unsigned char*) {
    return 0;
}

// The request carries `payload` bytes, and the echo command answers with as many.
double SendCmdRoundTrips(const std::string& transport, int payload, int rounds) {
    termsim::TerminalServer terminal;
    terminal.With([](termsim::TerminalModel& model) { model.AddSampleCommands(); });
    if (!terminal.Start()) {
        return 0;
    }
    TermConnection* c =
        TERMPRO_INIT(transport.c_str(), terminal.port(), 0, 0, IgnoreEvent, 0, 0, kTimeoutMs);
    if (c == nullptr) {
        return 0;
    }
    std::vector<std::uint8_t> data(static_cast<std::size_t>(payload) + 1, 0x5A);
    const double rate = Rate(rounds, [&] {
        std::uint16_t code = termsim::kCmdEcho;
        TERMPRO_SENDCMD(c, &code, data.data(), payload, payload, kTimeoutMs);
        return code == REPLY_OK;
    });
    TERMPRO_CLOSE(c);
    return rate;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 5000;
    std::string transport = UDPTRANSPORT_FILE;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--rounds") == 0) {
            rounds = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--transport") == 0) {
            transport = argv[i + 1];
        }
    }
    udp::SocketLibrary sockets;

    std::printf("termlink_bench: %d round trips per run on 127.0.0.1, median of %d runs\n", rounds,
                kRuns);
    std::printf("%-22s %24s %30s %7s\n", "request + reply", "raw UDP ping-pong",
                "TERMPRO_SENDCMD, reader thread", "ratio");
    int status = 0;
    for (const int payload : {0, 1024}) {
        const int packet = payload + 8;
        std::vector<double> raw;
        std::vector<double> cmd;
        for (int run = 0; run < kRuns; ++run) {
            raw.push_back(RawPingPong(packet, rounds));
            cmd.push_back(SendCmdRoundTrips(transport, payload, rounds));
        }
        const double r = Median(raw);
        const double c = Median(cmd);
        if (r <= 0 || c <= 0) {
            std::printf("%d + %d bytes: a round trip failed\n", packet, packet);
            status = 1;
            continue;
        }
        char label[32];
        std::snprintf(label, sizeof label, "%d + %d bytes", packet, packet);
        std::printf("%-22s %10.0f /s (%6.1f us) %16.0f /s (%6.1f us) %7.2f\n", label, r, 1e6 / r, c,
                    1e6 / c, c / r);
    }
    return status;
}
