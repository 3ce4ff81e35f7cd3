// The terminal side of the scriptable test transport. Each test scripts how the terminal
// answers the packets that termlink sends, and observes what was sent. Its delays and read
// time-outs are in the virtual time of the test program's clock (virtual_clock.h).
//
// termlink suspends its reader thread around each send when a transport lacks
// EMBUDP_TERMINALREAD, and the reader may then be stopped anywhere, inside a lock or the heap.
// So everything on the send path (the log of sent packets, the responder, replies) takes no
// lock and allocates nothing: packets live in a preallocated arena and are published through
// atomics. Reads wait on the clock for the arena to change.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace scripted {

using Bytes = std::vector<std::uint8_t>;

// The system's id of a thread (not ThreadId, whose mingw implementation takes a lock).
using ThreadId = std::uint64_t;
ThreadId CurrentThreadId();

// A packet in the terminal's arena, valid until the next Reset(): 8-byte header (code,
// checksum, session, number) and payload.
struct Packet {
    const std::uint8_t* data = nullptr;
    int size = 0;
    ThreadId sender; // the thread that sent it (packets sent by termlink)

    std::uint16_t code() const { return field(0); }
    std::uint16_t checksum() const { return field(2); }
    std::uint16_t session() const { return field(4); }
    std::uint16_t number() const { return field(6); }
    Bytes bytes() const { return Bytes(data, data + size); }
    Bytes payload() const { return size > 8 ? Bytes(data + 8, data + size) : Bytes{}; }

private:
    std::uint16_t field(int offset) const {
        return size >= offset + 2
                   ? static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8))
                   : 0;
    }
};

// Builds a packet with a correct checksum (or a wrong one when asked).
Bytes MakePacket(std::uint16_t code, std::uint16_t session, std::uint16_t number,
                 const Bytes& payload = {}, bool badChecksum = false);

// One data packet of a multi-packet result, as the terminal sends it: packet `index` carries
// the bytes from index * packet size on, and its index in the session field.
struct DataPiece {
    DataPiece(int i = 0, bool damaged = false) : index(i), corrupt(damaged) {}

    int index;
    bool corrupt; // damaged on the way: its payload no longer matches its checksum
};

class Terminal {
public:
    using Responder = std::function<void(const Packet& request)>;

    Terminal();

    // Back to the start: empty queues, the default responder, the default settings.
    // Only while no connection is open.
    void Reset();

    // Called for every packet termlink sends, on the sending thread. It must not lock or
    // allocate (Reply and Deliver do neither). The default responder accepts CMD_CONNECT
    // (session `session`) and CMD_DISCONNECT with REPLY_OK. Null restores the default.
    void SetResponder(Responder responder);
    void DefaultRespond(const Packet& request);

    // Makes a packet readable by termlink after `delayMs`. Packets are read in the order
    // they were delivered.
    void Deliver(const std::uint8_t* bytes, int length, int delayMs = 0);
    void Deliver(const Bytes& bytes, int delayMs = 0) {
        Deliver(bytes.data(), static_cast<int>(bytes.size()), delayMs);
    }
    // Builds a packet in place and delivers it; safe inside a responder.
    void DeliverPacket(std::uint16_t code, std::uint16_t sessionField, std::uint16_t number,
                       const std::uint8_t* payload, int payloadLength, int delayMs = 0);
    void DeliverPacket(std::uint16_t code, std::uint16_t sessionField, std::uint16_t number) {
        DeliverPacket(code, sessionField, number, nullptr, 0);
    }
    // Answers a request: the same number, the terminal's session id.
    void Reply(const Packet& request, std::uint16_t code, const std::uint8_t* payload,
               int payloadLength, int delayMs = 0) {
        DeliverPacket(code, session, request.number(), payload, payloadLength, delayMs);
    }
    void Reply(const Packet& request, std::uint16_t code,
               std::initializer_list<std::uint8_t> payload = {}, int delayMs = 0) {
        Reply(request, code, payload.begin(), static_cast<int>(payload.size()), delayMs);
    }
    void Reply(const Packet& request, std::uint16_t code, const Bytes& payload, int delayMs = 0) {
        Reply(request, code, payload.data(), static_cast<int>(payload.size()), delayMs);
    }

    // The terminal's side of the bulk transfers; all safe inside a responder.
    // Answers a read request with CMD_DATA_ANNOUNCE: total size and packet size (u32 each).
    void Announce(const Packet& request, std::uint32_t total, std::uint32_t packetSize);
    // Delivers data packets of `result` (total bytes) in the order of `pieces` (in order,
    // reordered, with gaps, repeated, corrupted), each with `number` in its number field.
    void DeliverData(std::uint16_t number, const std::uint8_t* result, int total, int packetSize,
                     const DataPiece* pieces, int count);
    // Reads that return nothing at once, as if the link had been silent for their time-out.
    void DeliverSilence(int count = 1);
    // Packets delivered but not read yet.
    int Pending() const;
    // The time-outs of the reads made on `thread`, in order.
    std::vector<int> ReadTimeouts(ThreadId thread) const;
    // The read or send `calls` calls from now faults with an access violation (for the guard
    // against processor faults). 0 turns it off.
    void FaultInRead(int calls) { readsBeforeFault_ = calls; }
    void FaultInSend(int calls) { sendsBeforeFault_ = calls; }

    std::vector<Packet> Sent() const;
    // Sent packets other than event acknowledgements.
    std::vector<Packet> Requests() const;
    int OpenHandles() const { return openHandles_; }
    ThreadId LastReadThread() const { return lastReadThread_; }

    // The next read ignores EMBUDP_TERMINALREAD and returns only after `ms`, with `packet`.
    // StuckReadBegun and StuckReadOver tell when that read began and when it returned.
    void StickNextRead(int ms, const Bytes& packet);
    bool StuckReadBegun() const { return stuckRead_ >= kStuckUnderWay; }
    bool StuckReadOver() const { return stuckRead_ == kStuckOver; }
    // The next read stops at its start, before it looks for a wake or a packet, until
    // EMBUDP_TERMINALREAD is called (at most 5 s): the wake comes just before the read waits,
    // as when the reading thread is preempted on its way in. ReadHeld tells when it stopped.
    void HoldNextRead() { hold_ = kHoldArmed; }
    bool ReadHeld() const { return hold_ == kHoldHeld; }

    void SetName(std::string name);
    void SetSendResult(int result) { sendResult_ = result; }
    void SetInitResult(bool succeed) { initSucceeds_ = succeed; }
    std::atomic<std::uint16_t> session{0x0012};

    // The modem behind EMBUDP_SENDTOMODEM and EMBUDP_READFROMMODEM. Each command text goes to
    // the modem responder, on the sending thread and under the rules of the packet responder.
    // The default answers like a modem: the echo of the command, then CR LF "OK" CR LF, or
    // CR LF "CONNECT 9600" CR LF to a dial. Null restores the default.
    using ModemResponder = std::function<void(std::string_view command)>;
    void SetModemResponder(ModemResponder responder);
    void DefaultModemRespond(std::string_view command);
    // Makes `echo` followed by `lines` readable as one answer after `delayMs`; a read returns it
    // as NUL-terminated text of at most kModemAnswerCapacity bytes. Safe inside a responder.
    void ModemAnswer(std::string_view echo, std::string_view lines, int delayMs = 0);
    static constexpr int kModemAnswerCapacity = 1032;
    // When on, sending a command returns only once its answer was read (or after 1000 ms):
    // the answer is taken before termlink goes on from the send.
    void SetModemAnswersDuringSend(bool on) { modemAnswersDuringSend_ = on; }

    // A command text sent to the modem, with the number of packets sent and of EMBUDP_READ
    // calls made before it.
    struct ModemText {
        std::string text;
        int packetsBefore;
        int readsBefore;
    };
    std::vector<ModemText> ModemTexts() const;
    // The command length that the last EMBUDP_READFROMMODEM call passed.
    int LastModemReadLength() const { return lastModemReadLength_; }

    // Entry points for the transport library.
    void* Init(int p1, int p2, int p3);
    int Close(void* handle);
    int Send(const void* bytes, int length);
    int Read(void* buffer, int capacity, int timeoutMs);
    int TerminalRead(); // ends the read under way, or else the next one; modem reads too
    const char* Name() const { return name_.c_str(); }
    int SendToModem(const char* text, int length);
    int ReadFromModem(char* buffer, int lastCommandLength, int timeoutMs);

private:
    struct Slot {
        std::atomic<bool> ready{false};
        std::int64_t offset = 0;
        int length = 0;
        std::int64_t dueMs = 0; // inbound: when it becomes readable (virtual time)
        ThreadId sender;        // outbound: who sent it
    };
    static constexpr std::size_t kSlots = 1 << 16;
    static constexpr std::int64_t kArenaBytes = 64 << 20;

    struct ModemSlot {
        std::atomic<bool> ready{false};
        std::int64_t offset = 0;
        int length = 0;
        int packetsBefore = 0;
        int readsBefore = 0;
    };
    static constexpr std::size_t kModemSlots = 1024;

    // Copies bytes into the arena; -1 when it is full.
    std::int64_t Store(const std::uint8_t* bytes, int length);
    // Makes `length` bytes at `offset` of the arena the next entry of an inbound queue.
    static void Publish(Slot* slots, std::size_t capacity, std::atomic<std::size_t>& tail,
                        std::int64_t offset, int length, int delayMs);
    // Waits up to `timeoutMs` for the next due entry of an inbound queue and takes it. Null when
    // none came or a wake of EMBUDP_TERMINALREAD ended the read.
    const Slot* TakeNext(Slot* slots, std::size_t capacity, std::atomic<std::size_t>& head,
                         const std::atomic<std::size_t>& tail, int timeoutMs);
    struct ReadRecord {
        std::atomic<bool> ready{false};
        ThreadId thread = 0;
        int timeoutMs = 0;
    };
    static constexpr std::size_t kReadRecords = 1 << 14;

    void DeliverSealed(std::uint16_t code, std::uint16_t sessionField, std::uint16_t number,
                       const std::uint8_t* payload, int payloadLength, int delayMs, bool damaged);
    void RecordRead(int timeoutMs);
    std::uint8_t* At(std::int64_t offset) const { return arena_.get() + offset; }

    std::unique_ptr<std::uint8_t[]> arena_;
    std::atomic<std::int64_t> arenaTop_{0};
    std::unique_ptr<Slot[]> sent_;
    std::atomic<std::size_t> sentCount_{0};
    std::unique_ptr<Slot[]> inbound_;
    std::atomic<std::size_t> inboundTail_{0};
    std::atomic<std::size_t> inboundHead_{0};

    std::mutex respondersMutex_; // only for SetResponder and Reset, never on the send path
    std::deque<Responder> responders_;
    std::atomic<const Responder*> responder_{nullptr};

    std::string name_ = "UDP";
    std::atomic<int> sendResult_{1};
    std::atomic<bool> initSucceeds_{true};
    std::atomic<int> openHandles_{0};
    // Raised by EMBUDP_TERMINALREAD and taken by the read that it ends: the one under way, or
    // else the next one, as a real transport's wake socket or event keeps it. A wake that only
    // reached reads already waiting would be lost when it comes just before a read begins.
    std::atomic<bool> wakeRequested_{false};
    std::atomic<int> stuckMs_{0};
    static constexpr int kStuckUnderWay = 1;
    static constexpr int kStuckOver = 2;
    std::atomic<int> stuckRead_{0};
    static constexpr int kHoldArmed = 1;
    static constexpr int kHoldHeld = 2;
    std::atomic<int> hold_{0};
    Bytes stuckPacket_;
    std::atomic<ThreadId> lastReadThread_;

    std::unique_ptr<ModemSlot[]> modemSent_;
    std::atomic<std::size_t> modemSentCount_{0};
    std::unique_ptr<Slot[]> modemInbound_;
    std::atomic<std::size_t> modemInboundTail_{0};
    std::atomic<std::size_t> modemInboundHead_{0};
    std::deque<ModemResponder> modemResponders_; // guarded by respondersMutex_
    std::atomic<const ModemResponder*> modemResponder_{nullptr};
    std::atomic<bool> modemAnswersDuringSend_{false};
    std::atomic<int> lastModemReadLength_{0};
    std::unique_ptr<ReadRecord[]> reads_;
    std::atomic<std::size_t> readCount_{0};
    std::atomic<int> readsBeforeFault_{0};
    std::atomic<int> sendsBeforeFault_{0};
};

// The one terminal that the transport library talks to.
Terminal& TheTerminal();

// Whether the calling thread is inside one of the transport's entries (for tests that tell
// termlink's own work from the transport's).
bool InsideTransport();

// The file name to pass to TERMPRO_INIT for a transport library built beside the tests
// ("scripttransport", "scripttransport_nowake", "scripttransport_noread",
// "scripttransport_nomodem").
std::string TransportPath(const char* baseName);

} // namespace scripted
