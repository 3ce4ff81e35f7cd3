// termlink_bench: the cost of termlink's transaction engine and bulk transfers. Measures, on
// 127.0.0.1 over the UDP transport (connections with a callback, so with a reader thread):
//  - round trips of TERMPRO_SENDCMD against a raw UDP ping-pong of the same packet sizes;
//  - TERMPRO_SENDDATA of a block, and TERMPRO_READDATA2 of a buffer of the same size (plain
//    and LZO-compressed), against raw UDP stop-and-wait: one datagram of the packet size out,
//    an 8-byte acknowledgement back, repeated;
// and prints the rates and their ratios.
//
//   termlink_bench [--rounds N] [--bulk-bytes N] [--transport FILE]
#include "terminal_bulk.h"
#include "terminal_server.h"
#include "termlink.h"
#include "udp_socket.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 3;
constexpr int kWarmUp = 200;
constexpr int kTimeoutMs = 1000;
constexpr int kBulkTransfers = 2;
constexpr int kPacketPayload = 1024; // the UDP transport's largest: 1032-byte packets
constexpr int kAckBytes = 8;

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

// The peer of the raw measures: answers every datagram with its first `replyBytes` bytes (all
// of it when negative).
class EchoServer {
public:
    explicit EchoServer(int replyBytes = -1) : replyBytes_(replyBytes) {}

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
                    socket_.SendTo(from, buffer.data(),
                                   replyBytes_ < 0 ? n : std::min(n, replyBytes_));
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
    int replyBytes_;
    udp::Socket socket_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Round trips per second: `packetSize` bytes out, `replySize` bytes back.
double RawRoundTrips(int packetSize, int replySize, int rounds) {
    EchoServer echo(replySize);
    udp::Socket client;
    if (!echo.Start() || !client.Open(0) || !client.Connect(echo.port())) {
        return 0;
    }
    std::vector<std::uint8_t> packet(static_cast<std::size_t>(packetSize), 0x5A);
    std::vector<std::uint8_t> reply(2048);
    return Rate(rounds, [&] {
        return client.Send(packet.data(), packetSize) && client.WaitReadable(kTimeoutMs) &&
               client.Receive(reply.data(), 2048) == replySize;
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

// Text-like records, so that LZO has something to find.
termsim::Bytes Records(std::size_t size) {
    std::string text;
    for (int i = 0; text.size() < size; ++i) {
        char row[64];
        std::snprintf(row, sizeof row, "record %06d badge %04d %s 08:%02d\n", i, (i * 7919) % 10000,
                      i % 3 == 0 ? "in " : "out", i % 60);
        text += row;
    }
    text.resize(size);
    return {text.begin(), text.end()};
}

// A terminal with the bulk commands and a connection to it, for one run of transfers.
class BulkPeer {
public:
    BulkPeer(const std::string& transport, const termsim::BulkSettings& settings,
             const termsim::Bytes& result) {
        terminal_.With([&](termsim::TerminalModel& model) {
            termsim::BulkTerminal::AddTo(model, settings)
                ->SetResult(model, kBufferedCommand, result);
        });
        if (terminal_.Start()) {
            connection_ = TERMPRO_INIT(transport.c_str(), terminal_.port(), 0, 0, IgnoreEvent, 0, 0,
                                       kTimeoutMs);
        }
    }
    ~BulkPeer() {
        if (connection_ != nullptr) {
            TERMPRO_CLOSE(connection_);
        }
    }
    BulkPeer(const BulkPeer&) = delete;
    BulkPeer& operator=(const BulkPeer&) = delete;

    TermConnection* connection() const { return connection_; }

    static constexpr std::uint16_t kBufferedCommand = 9;

private:
    termsim::TerminalServer terminal_;
    TermConnection* connection_ = nullptr;
};

// Bytes per second of `transfers` runs of one transfer after one to warm up; 0 when one failed.
template <typename F> double ByteRate(std::size_t bytes, int transfers, F&& transfer) {
    if (!transfer()) {
        return 0;
    }
    const auto start = Clock::now();
    for (int i = 0; i < transfers; ++i) {
        if (!transfer()) {
            return 0;
        }
    }
    return static_cast<double>(bytes) * transfers / SecondsSince(start);
}

double SendDataRate(const std::string& transport, const termsim::Bytes& block) {
    BulkPeer peer(transport, {}, {});
    TermConnection* c = peer.connection();
    if (c == nullptr) {
        return 0;
    }
    return ByteRate(block.size(), kBulkTransfers, [&] {
        return TERMPRO_SENDDATA(c, reinterpret_cast<const char*>(block.data()),
                                static_cast<int>(block.size()), kTimeoutMs) == 1;
    });
}

// Result bytes per second of TERMPRO_READDATA2.
double ReadData2Rate(const std::string& transport, const termsim::Bytes& result, bool compress,
                     int blockSize) {
    termsim::BulkSettings settings;
    settings.compress = compress;
    BulkPeer peer(transport, settings, result);
    TermConnection* c = peer.connection();
    if (c == nullptr) {
        return 0;
    }
    std::vector<char> data(result.size());
    return ByteRate(result.size(), kBulkTransfers, [&] {
        std::uint16_t code = BulkPeer::kBufferedCommand;
        const int read = TERMPRO_READDATA2(c, &code, data.data(), static_cast<int>(data.size()), 0,
                                           blockSize, kTimeoutMs);
        return read == static_cast<int>(result.size()) &&
               std::memcmp(data.data(), result.data(), result.size()) == 0;
    });
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The bulk transfers against raw stop-and-wait of their packets. False when a transfer failed.
bool BulkTransfers(const std::string& transport, int bytes) {
    const termsim::Bytes block = Records(static_cast<std::size_t>(bytes));
    const std::size_t compressed = termsim::Compress(block).size();
    const int packets = (bytes + kPacketPayload - 1) / kPacketPayload;
    std::printf("\nbulk transfers of %d bytes (%d packets of %d + 8 bytes; LZO1X-1 makes %zu "
                "bytes of them), %d per run, median of %d runs\n",
                bytes, packets, kPacketPayload, compressed, kBulkTransfers, kRuns);

    struct Measure {
        std::string name;
        std::function<double()> rate;
    };
    const int blocks[] = {65536, 1 << 20};
    std::vector<Measure> measures = {
        {"TERMPRO_SENDDATA", [&] { return SendDataRate(transport, block); }}};
    for (const bool compress : {false, true}) {
        for (const int blockSize : blocks) {
            char name[64];
            std::snprintf(name, sizeof name, "TERMPRO_READDATA2 %s, blocks %d",
                          compress ? "LZO" : "plain", blockSize);
            measures.push_back({name, [&, compress, blockSize] {
                                    return ReadData2Rate(transport, block, compress, blockSize);
                                }});
        }
    }
    std::vector<double> raw;
    std::vector<std::vector<double>> rates(measures.size());
    for (int run = 0; run < kRuns; ++run) {
        // Per second, as payload bytes: one packet out and its acknowledgement back.
        raw.push_back(RawRoundTrips(kPacketPayload + 8, kAckBytes, packets) * kPacketPayload);
        for (std::size_t i = 0; i < measures.size(); ++i) {
            rates[i].push_back(measures[i].rate());
        }
    }
    const double r = Median(raw);
    std::printf("%-40s %10.2f MB/s\n", "raw UDP stop-and-wait (1032 out, 8 back)", r / 1e6);
    bool ok = r > 0;
    for (std::size_t i = 0; i < measures.size(); ++i) {
        const double m = Median(rates[i]);
        if (m <= 0) {
            std::printf("%-40s failed\n", measures[i].name.c_str());
            ok = false;
            continue;
        }
        std::printf("%-40s %10.2f MB/s %8.3f of raw (%.0f ms per transfer)\n",
                    measures[i].name.c_str(), m / 1e6, m / r, 1e3 * bytes / m);
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 5000;
    int bulkBytes = 1 << 20;
    std::string transport = UDPTRANSPORT_FILE;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--rounds") == 0) {
            rounds = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--bulk-bytes") == 0) {
            bulkBytes = std::clamp(std::atoi(argv[i + 1]), kPacketPayload, 1 << 30);
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
            raw.push_back(RawRoundTrips(packet, packet, rounds));
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
    if (!BulkTransfers(transport, bulkBytes)) {
        status = 1;
    }
    return status;
}
