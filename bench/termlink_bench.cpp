// termlink_bench: the cost of termlink's transaction engine and bulk transfers. Measures, on
// 127.0.0.1 over the UDP transport (connections with a callback, so with a reader thread):
//  - round trips of TERMPRO_SENDCMD against a raw UDP ping-pong of the same packet sizes, called
//    back to back and spaced (a pause between calls, not counted);
//  - TERMPRO_SENDDATA of a block, and TERMPRO_READDATA2 of a buffer of the same size (plain
//    and LZO-compressed), against raw UDP stop-and-wait: one datagram of the packet size out,
//    an 8-byte acknowledgement back, repeated.
// Every measure runs both with all threads pinned to one CPU and unpinned; the variants take
// turns within each run, and the figures are medians over the runs. Unpinned loopback round
// trips swing widely with where the threads land, so the pinned ratios are the steadier ones.
// Given --transport more than once, the termlink measures run through each of the transport
// libraries in turn, so that two builds of a transport compare within one run.
//
//   termlink_bench [--rounds N] [--runs N] [--bulk-runs N] [--bulk-bytes N] [--gap-us N]
//                  [--transport FILE]...
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

#ifdef _WIN32
#include <windows.h>
#else
#include <sched.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWarmUp = 200;
constexpr int kTimeoutMs = 1000;
constexpr int kBulkTransfers = 2;
constexpr int kPacketPayload = 1024; // the UDP transport's largest: 1032-byte packets
constexpr int kAckBytes = 8;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Pins the threads created from now on (and the calling one) to one CPU, or lets them run on
// every CPU the process had at the start. Threads inherit the calling thread's CPUs on Linux;
// on Windows the process's mask is what new threads get.
class CpuPinning {
public:
    CpuPinning() {
#ifdef _WIN32
        DWORD_PTR system = 0;
        ok_ = GetProcessAffinityMask(GetCurrentProcess(), &all_, &system) != 0 && all_ != 0;
        one_ = all_ & (~all_ + 1); // the lowest CPU of the mask
        while (ok_ && (one_ >> cpu_) != 1) {
            ++cpu_;
        }
#else
        CPU_ZERO(&all_);
        ok_ = sched_getaffinity(0, sizeof all_, &all_) == 0;
        CPU_ZERO(&one_);
        for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
            if (CPU_ISSET(cpu, &all_)) {
                CPU_SET(cpu, &one_);
                cpu_ = cpu;
                break;
            }
        }
#endif
    }
    ~CpuPinning() {
        Apply(false);
    }
    CpuPinning(const CpuPinning&) = delete;
    CpuPinning& operator=(const CpuPinning&) = delete;

    bool Apply(bool pinned) const {
        if (!ok_) {
            return false;
        }
#ifdef _WIN32
        const DWORD_PTR mask = pinned ? one_ : all_;
        return SetProcessAffinityMask(GetCurrentProcess(), mask) != 0 &&
               SetThreadAffinityMask(GetCurrentThread(), mask) != 0;
#else
        return sched_setaffinity(0, sizeof all_, pinned ? &one_ : &all_) == 0;
#endif
    }
    int cpu() const {
        return cpu_;
    }

private:
    bool ok_ = false;
    int cpu_ = 0;
#ifdef _WIN32
    DWORD_PTR all_ = 0;
    DWORD_PTR one_ = 0;
#else
    cpu_set_t all_;
    cpu_set_t one_;
#endif
};

// Seconds per round trip over `rounds` calls of roundTrip after a warm-up, or 0 when one failed.
// With a gap, each call follows a pause of that many microseconds, and only the calls are timed.
template <typename F> double SecondsPerCall(int rounds, int gapUs, F&& roundTrip) {
    for (int i = 0; i < kWarmUp; ++i) {
        if (!roundTrip()) {
            return 0;
        }
    }
    double seconds = 0;
    if (gapUs <= 0) {
        const auto start = Clock::now();
        for (int i = 0; i < rounds; ++i) {
            if (!roundTrip()) {
                return 0;
            }
        }
        seconds = SecondsSince(start);
    } else {
        for (int i = 0; i < rounds; ++i) {
            std::this_thread::sleep_for(std::chrono::microseconds(gapUs));
            const auto start = Clock::now();
            if (!roundTrip()) {
                return 0;
            }
            seconds += SecondsSince(start);
        }
    }
    return seconds / rounds;
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

// Seconds per round trip: `packetSize` bytes out, `replySize` bytes back.
double RawRoundTrip(int packetSize, int replySize, int rounds, int gapUs) {
    EchoServer echo(replySize);
    udp::Socket client;
    if (!echo.Start() || !client.Open(0) || !client.Connect(echo.port())) {
        return 0;
    }
    std::vector<std::uint8_t> packet(static_cast<std::size_t>(packetSize), 0x5A);
    std::vector<std::uint8_t> reply(2048);
    return SecondsPerCall(rounds, gapUs, [&] {
        return client.Send(packet.data(), packetSize) && client.WaitReadable(kTimeoutMs) &&
               client.Receive(reply.data(), 2048) == replySize;
    });
}

int TERMLINK_CALL IgnoreEvent(int, int, int, const unsigned char*) {
    return 0;
}

// Seconds per TERMPRO_SENDCMD: the request carries `payload` bytes, and the echo command answers
// with as many.
double SendCmdRoundTrip(const std::string& transport, int payload, int rounds, int gapUs) {
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
    const double seconds = SecondsPerCall(rounds, gapUs, [&] {
        std::uint16_t code = termsim::kCmdEcho;
        TERMPRO_SENDCMD(c, &code, data.data(), payload, payload, kTimeoutMs);
        return code == REPLY_OK;
    });
    TERMPRO_CLOSE(c);
    return seconds;
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

std::string PinnedLabel(const CpuPinning& pinning) {
    return "pinned to CPU " + std::to_string(pinning.cpu());
}

struct Options {
    int rounds = 2000;
    int runs = 15;
    int bulkRuns = 5;
    int bulkBytes = 1 << 20;
    int gapUs = 200;
    std::vector<std::string> transports; // none given: UDPTRANSPORT_FILE
};

// The name of a termlink measure through transport `t`: marked with its number when several.
std::string Via(const Options& o, const std::string& name, std::size_t t) {
    return o.transports.size() > 1 ? name + " [" + std::to_string(t + 1) + "]" : name;
}

// One measure of a run: a figure, or 0 when it failed.
struct Measure {
    std::string name;
    std::function<double()> take;
};

// Runs every measure once per run, pinned and unpinned in turn; the medians per pinning
// (index 0 pinned, 1 unpinned), or 0 where a measure failed in any run.
std::vector<std::vector<double>> Interleaved(const CpuPinning& pinning,
                                             const std::vector<Measure>& measures, int runs) {
    std::vector<std::vector<std::vector<double>>> taken(
        2, std::vector<std::vector<double>>(measures.size()));
    std::vector<std::vector<bool>> failed(2, std::vector<bool>(measures.size(), false));
    for (int run = 0; run < runs; ++run) {
        for (int p = 0; p < 2; ++p) {
            pinning.Apply(p == 0);
            for (std::size_t i = 0; i < measures.size(); ++i) {
                const double figure = measures[i].take();
                taken[p][i].push_back(figure);
                failed[p][i] = failed[p][i] || figure <= 0;
            }
        }
    }
    pinning.Apply(false);
    std::vector<std::vector<double>> medians(2, std::vector<double>(measures.size(), 0));
    for (int p = 0; p < 2; ++p) {
        for (std::size_t i = 0; i < measures.size(); ++i) {
            medians[p][i] = failed[p][i] ? 0 : Median(taken[p][i]);
        }
    }
    return medians;
}

// SENDCMD against raw UDP, back to back and spaced. False when a round trip failed.
bool RoundTrips(const CpuPinning& pinning, const Options& o) {
    struct Pair {
        std::string label;
        int payload;
        int gapUs;
    };
    std::vector<Pair> pairs;
    for (const int payload : {0, kPacketPayload}) {
        for (const int gap : {0, o.gapUs}) {
            char label[48];
            std::snprintf(label, sizeof label, "%d + %d bytes, %s", payload + 8, payload + 8,
                          gap == 0 ? "back to back" : "spaced");
            pairs.push_back({label, payload, gap});
        }
    }
    // Raw and SENDCMD of one pair follow each other, so that they see the same moment.
    const std::size_t stride = 1 + o.transports.size();
    std::vector<Measure> measures;
    for (const Pair& pair : pairs) {
        const int packet = pair.payload + 8;
        measures.push_back(
            {pair.label, [=] { return RawRoundTrip(packet, packet, o.rounds, pair.gapUs); }});
        for (std::size_t t = 0; t < o.transports.size(); ++t) {
            measures.push_back({Via(o, pair.label, t), [=] {
                                    return SendCmdRoundTrip(o.transports[t], pair.payload, o.rounds,
                                                            pair.gapUs);
                                }});
        }
    }
    const auto medians = Interleaved(pinning, measures, o.runs);

    std::printf("round trips: %d per run, median of %d runs; spaced calls follow a %d us pause\n",
                o.rounds, o.runs, o.gapUs);
    std::printf("%-36s | %-32s | %-32s\n", "", PinnedLabel(pinning).c_str(), "unpinned");
    std::printf("%-36s | %9s %9s %12s | %9s %9s %12s\n", "request + reply", "raw us", "SENDCMD",
                "ratio", "raw us", "SENDCMD", "ratio");
    bool ok = true;
    for (std::size_t i = 0; i < measures.size(); ++i) {
        if (i % stride == 0) {
            continue; // the raw figure of the rows that follow
        }
        const std::size_t raw = i - i % stride;
        std::printf("%-36s", measures[i].name.c_str());
        for (int p = 0; p < 2; ++p) {
            const double rawSeconds = medians[p][raw];
            const double cmd = medians[p][i];
            if (rawSeconds <= 0 || cmd <= 0) {
                std::printf(" | %32s", "failed");
                ok = false;
                continue;
            }
            std::printf(" | %9.1f %9.1f %11.2fx", rawSeconds * 1e6, cmd * 1e6, cmd / rawSeconds);
        }
        std::printf("\n");
    }
    return ok;
}

// The bulk transfers against raw stop-and-wait of their packets. False when a transfer failed.
bool BulkTransfers(const CpuPinning& pinning, const Options& o) {
    const termsim::Bytes block = Records(static_cast<std::size_t>(o.bulkBytes));
    const std::size_t compressed = termsim::Compress(block).size();
    const int packets = (o.bulkBytes + kPacketPayload - 1) / kPacketPayload;
    std::printf("\nbulk transfers of %d bytes (%d packets of %d + 8 bytes; LZO1X-1 makes %zu "
                "bytes of them), %d per run, median of %d runs\n",
                o.bulkBytes, packets, kPacketPayload, compressed, kBulkTransfers, o.bulkRuns);

    // Per second, as payload bytes: one packet out and its acknowledgement back.
    std::vector<Measure> measures = {
        {"raw UDP stop-and-wait (1032 out, 8 back)",
         [=] {
             const double s = RawRoundTrip(kPacketPayload + 8, kAckBytes, packets, 0);
             return s > 0 ? kPacketPayload / s : 0;
         }},
    };
    for (std::size_t t = 0; t < o.transports.size(); ++t) {
        const std::string& transport = o.transports[t];
        measures.push_back(
            {Via(o, "TERMPRO_SENDDATA", t), [&] { return SendDataRate(transport, block); }});
        for (const bool compress : {false, true}) {
            for (const int blockSize : {65536, 1 << 20}) {
                char name[64];
                std::snprintf(name, sizeof name, "TERMPRO_READDATA2 %s, blocks %d",
                              compress ? "LZO" : "plain", blockSize);
                measures.push_back({Via(o, name, t), [&, compress, blockSize] {
                                        return ReadData2Rate(transport, block, compress, blockSize);
                                    }});
            }
        }
    }
    const auto medians = Interleaved(pinning, measures, o.bulkRuns);

    std::printf("%-44s | %-28s | %-28s\n", "", PinnedLabel(pinning).c_str(), "unpinned");
    std::printf("%-44s | %10s %8s %8s | %10s %8s %8s\n", "", "MB/s", "of raw", "ms", "MB/s",
                "of raw", "ms");
    bool ok = true;
    for (std::size_t i = 0; i < measures.size(); ++i) {
        std::printf("%-44s", measures[i].name.c_str());
        for (int p = 0; p < 2; ++p) {
            const double rate = medians[p][i];
            const double raw = medians[p][0];
            if (rate <= 0 || raw <= 0) {
                std::printf(" | %28s", "failed");
                ok = false;
                continue;
            }
            std::printf(" | %10.2f %8.3f %8.0f", rate / 1e6, rate / raw, 1e3 * o.bulkBytes / rate);
        }
        std::printf("\n");
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i + 1 < argc; i += 2) {
        const int value = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--rounds") == 0) {
            o.rounds = std::max(1, value);
        } else if (std::strcmp(argv[i], "--runs") == 0) {
            o.runs = std::max(1, value);
        } else if (std::strcmp(argv[i], "--bulk-runs") == 0) {
            o.bulkRuns = std::max(0, value);
        } else if (std::strcmp(argv[i], "--bulk-bytes") == 0) {
            o.bulkBytes = std::clamp(value, kPacketPayload, 1 << 30);
        } else if (std::strcmp(argv[i], "--gap-us") == 0) {
            o.gapUs = std::clamp(value, 1, 1000000);
        } else if (std::strcmp(argv[i], "--transport") == 0) {
            o.transports.emplace_back(argv[i + 1]);
        }
    }
    if (o.transports.empty()) {
        o.transports.emplace_back(UDPTRANSPORT_FILE);
    }
    udp::SocketLibrary sockets;
    const CpuPinning pinning;
    if (!pinning.Apply(false)) {
        std::printf("termlink_bench: cannot set the CPUs of the threads\n");
        return 1;
    }
    std::printf("termlink_bench on 127.0.0.1\n");
    for (std::size_t t = 0; o.transports.size() > 1 && t < o.transports.size(); ++t) {
        std::printf("[%zu] %s\n", t + 1, o.transports[t].c_str());
    }
    int status = 0;
    if (!RoundTrips(pinning, o)) {
        status = 1;
    }
    if (o.bulkRuns > 0 && !BulkTransfers(pinning, o)) {
        status = 1;
    }
    return status;
}
