#include "scripted_terminal.h"

#include "script_host.h"
#include "termlink.h"
#include "virtual_clock.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#define SCRIPT_HOST_EXPORT extern "C" __declspec(dllexport)
#else
#include <climits>
#include <pthread.h>
#include <unistd.h>
#define SCRIPT_HOST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace scripted {

namespace {

std::uint16_t Checksum(const std::uint8_t* bytes, int length) {
    std::uint32_t sum = 0;
    int i = 0;
    for (; i + 1 < length; i += 2) {
        sum += static_cast<std::uint32_t>(bytes[i] | (bytes[i + 1] << 8));
        if ((sum & 0x80000000U) != 0) {
            sum = (sum & 0xFFFFU) + (sum >> 16);
        }
    }
    if (i < length) {
        sum += bytes[i];
    }
    while ((sum >> 16) != 0) {
        sum = (sum & 0xFFFFU) + (sum >> 16);
    }
    return static_cast<std::uint16_t>(~sum);
}

void Put16(std::uint8_t* p, std::uint16_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

// Header and checksum of a packet whose payload is already in place.
void Seal(std::uint8_t* packet, int length, std::uint16_t code, std::uint16_t session,
          std::uint16_t number, bool badChecksum = false) {
    Put16(packet, code);
    Put16(packet + 2, 0);
    Put16(packet + 4, session);
    Put16(packet + 6, number);
    std::uint16_t checksum = Checksum(packet, length);
    Put16(packet + 2, badChecksum ? static_cast<std::uint16_t>(checksum ^ 0x0101) : checksum);
}

// The transport has one terminal; its handle is the address of this object.
char handleObject;
void* const kHandle = &handleObject;

// Counts a call down; true for the call that reaches 0.
bool CountdownHits(std::atomic<int>& calls) {
    int left = calls.load();
    while (left > 0) {
        if (calls.compare_exchange_weak(left, left - 1)) {
            return left == 1;
        }
    }
    return false;
}

// A processor fault, as a transport library with a bug would raise it.
void Fault() {
    static int* volatile nowhere = nullptr;
    *nowhere = 1;
}

} // namespace

Bytes MakePacket(std::uint16_t code, std::uint16_t session, std::uint16_t number,
                 const Bytes& payload, bool badChecksum) {
    Bytes bytes(8 + payload.size());
    std::copy(payload.begin(), payload.end(), bytes.begin() + 8);
    Seal(bytes.data(), static_cast<int>(bytes.size()), code, session, number, badChecksum);
    return bytes;
}

Terminal::Terminal()
    : arena_(new std::uint8_t[kArenaBytes]), sent_(new Slot[kSlots]), inbound_(new Slot[kSlots]),
      modemSent_(new ModemSlot[kModemSlots]), modemInbound_(new Slot[kModemSlots]),
      reads_(new ReadRecord[kReadRecords]) {}

void Terminal::Reset() {
    for (std::size_t i = 0; i < std::min(sentCount_.load(), kSlots); ++i) {
        sent_[i].ready = false;
    }
    for (std::size_t i = 0; i < std::min(inboundTail_.load(), kSlots); ++i) {
        inbound_[i].ready = false;
    }
    for (std::size_t i = 0; i < std::min(modemSentCount_.load(), kModemSlots); ++i) {
        modemSent_[i].ready = false;
    }
    for (std::size_t i = 0; i < std::min(modemInboundTail_.load(), kModemSlots); ++i) {
        modemInbound_[i].ready = false;
    }
    for (std::size_t i = 0; i < std::min(readCount_.load(), kReadRecords); ++i) {
        reads_[i].ready = false;
    }
    readCount_ = 0;
    readsBeforeFault_ = 0;
    sendsBeforeFault_ = 0;
    sentCount_ = 0;
    inboundHead_ = 0;
    inboundTail_ = 0;
    modemSentCount_ = 0;
    modemInboundHead_ = 0;
    modemInboundTail_ = 0;
    arenaTop_ = 0;
    {
        std::lock_guard lock(respondersMutex_);
        responder_ = nullptr;
        responders_.clear();
        modemResponder_ = nullptr;
        modemResponders_.clear();
    }
    modemAnswersDuringSend_ = false;
    lastModemReadLength_ = 0;
    name_ = "UDP";
    sendResult_ = 1;
    initSucceeds_ = true;
    openHandles_ = 0;
    stuckMs_ = 0;
    stuckRead_ = 0;
    hold_ = 0;
    wakeRequested_ = false;
    session = 0x0012;
}

void Terminal::SetResponder(Responder responder) {
    std::lock_guard lock(respondersMutex_);
    if (!responder) {
        responder_ = nullptr;
        return;
    }
    responders_.push_back(std::move(responder));
    responder_ = &responders_.back();
}

void Terminal::DefaultRespond(const Packet& request) {
    if (request.code() == CMD_CONNECT || request.code() == CMD_DISCONNECT) {
        Reply(request, REPLY_OK);
    }
}

std::int64_t Terminal::Store(const std::uint8_t* bytes, int length) {
    const std::int64_t offset = arenaTop_.fetch_add(std::max(length, 0));
    if (offset + length > kArenaBytes) {
        return -1;
    }
    if (bytes != nullptr && length > 0) {
        std::memcpy(At(offset), bytes, static_cast<std::size_t>(length));
    }
    return offset;
}

void Terminal::Publish(Slot* slots, std::size_t capacity, std::atomic<std::size_t>& tail,
                       std::int64_t offset, int length, int delayMs) {
    const std::size_t index = tail.fetch_add(1);
    if (index >= capacity) {
        return;
    }
    Slot& slot = slots[index];
    slot.offset = offset;
    slot.length = offset < 0 ? 0 : length;
    slot.dueMs = TheClock().NowMs() + std::max(delayMs, 0);
    slot.ready.store(true, std::memory_order_release);
    TheClock().Changed();
}

void Terminal::Deliver(const std::uint8_t* bytes, int length, int delayMs) {
    Publish(inbound_.get(), kSlots, inboundTail_, Store(bytes, length), length, delayMs);
}

void Terminal::DeliverPacket(std::uint16_t code, std::uint16_t sessionField, std::uint16_t number,
                             const std::uint8_t* payload, int payloadLength, int delayMs) {
    DeliverSealed(code, sessionField, number, payload, payloadLength, delayMs, false);
}

void Terminal::DeliverSealed(std::uint16_t code, std::uint16_t sessionField, std::uint16_t number,
                             const std::uint8_t* payload, int payloadLength, int delayMs,
                             bool damaged) {
    const int length = 8 + payloadLength;
    const std::int64_t offset = Store(nullptr, length);
    if (offset < 0) {
        return;
    }
    std::uint8_t* packet = At(offset);
    if (payloadLength > 0) {
        std::memcpy(packet + 8, payload, static_cast<std::size_t>(payloadLength));
    }
    // A damaged packet has its payload spoilt after sealing, so that its checksum no longer
    // matches (or a wrong checksum when it has no payload).
    Seal(packet, length, code, sessionField, number, damaged && payloadLength == 0);
    if (damaged && payloadLength > 0) {
        packet[8] = static_cast<std::uint8_t>(packet[8] ^ 0xFF);
    }
    Publish(inbound_.get(), kSlots, inboundTail_, offset, length, delayMs);
}

void Terminal::Announce(const Packet& request, std::uint32_t total, std::uint32_t packetSize) {
    std::uint8_t payload[8];
    for (int i = 0; i < 4; ++i) {
        payload[i] = static_cast<std::uint8_t>(total >> (8 * i));
        payload[4 + i] = static_cast<std::uint8_t>(packetSize >> (8 * i));
    }
    Reply(request, CMD_DATA_ANNOUNCE, payload, sizeof payload);
}

void Terminal::DeliverData(std::uint16_t number, const std::uint8_t* result, int total,
                           int packetSize, const DataPiece* pieces, int count) {
    if (packetSize <= 0) {
        return;
    }
    for (int i = 0; i < count; ++i) {
        const DataPiece& piece = pieces[i];
        const int offset = std::min(piece.index * packetSize, total);
        const int length = std::min(packetSize, total - offset);
        DeliverSealed(0, static_cast<std::uint16_t>(piece.index), number, result + offset, length,
                      0, piece.corrupt);
    }
}

void Terminal::DeliverSilence(int count) {
    for (int i = 0; i < count; ++i) {
        Deliver(nullptr, 0);
    }
}

int Terminal::Pending() const {
    return static_cast<int>(std::min(inboundTail_.load(), kSlots) -
                            std::min(inboundHead_.load(), kSlots));
}

void Terminal::RecordRead(int timeoutMs) {
    const std::size_t index = readCount_.fetch_add(1);
    if (index < kReadRecords) {
        ReadRecord& record = reads_[index];
        record.thread = CurrentThreadId();
        record.timeoutMs = timeoutMs;
        record.ready.store(true, std::memory_order_release);
    }
}

std::vector<int> Terminal::ReadTimeouts(ThreadId thread) const {
    std::vector<int> timeouts;
    for (std::size_t i = 0; i < std::min(readCount_.load(), kReadRecords); ++i) {
        const ReadRecord& record = reads_[i];
        if (record.ready.load(std::memory_order_acquire) && record.thread == thread) {
            timeouts.push_back(record.timeoutMs);
        }
    }
    return timeouts;
}

std::vector<Packet> Terminal::Sent() const {
    std::vector<Packet> packets;
    const std::size_t count = std::min(sentCount_.load(), kSlots);
    for (std::size_t i = 0; i < count; ++i) {
        const Slot& slot = sent_[i];
        if (slot.ready.load(std::memory_order_acquire) && slot.offset >= 0) {
            packets.push_back({At(slot.offset), slot.length, slot.sender});
        }
    }
    return packets;
}

std::vector<Packet> Terminal::Requests() const {
    std::vector<Packet> requests;
    for (const Packet& packet : Sent()) {
        if (packet.code() != REPLY_OK) {
            requests.push_back(packet);
        }
    }
    return requests;
}

void Terminal::StickNextRead(int ms, const Bytes& packet) {
    stuckPacket_ = packet;
    stuckMs_ = ms;
}

void Terminal::SetName(std::string name) {
    name_ = std::move(name);
}

void* Terminal::Init(int, int, int) {
    if (!initSucceeds_) {
        return nullptr;
    }
    ++openHandles_;
    return kHandle;
}

int Terminal::Close(void* handle) {
    if (handle == kHandle) {
        --openHandles_;
    }
    return 1;
}

int Terminal::Send(const void* bytes, int length) {
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    const std::size_t index = sentCount_.fetch_add(1);
    if (index < kSlots) {
        Slot& slot = sent_[index];
        slot.offset = Store(data, length);
        slot.length = length;
        slot.sender = CurrentThreadId();
        slot.ready.store(true, std::memory_order_release);
        TheClock().Changed();
    }
    if (CountdownHits(sendsBeforeFault_)) {
        Fault();
    }
    const int result = sendResult_;
    if (result != 0) {
        const Packet request{data, length, CurrentThreadId()};
        if (const Responder* responder = responder_.load()) {
            (*responder)(request);
        } else {
            DefaultRespond(request);
        }
    }
    return result;
}

int Terminal::Read(void* buffer, int capacity, int timeoutMs) {
    lastReadThread_ = CurrentThreadId();
    RecordRead(timeoutMs);
    if (CountdownHits(readsBeforeFault_)) {
        Fault();
    }
    if (int armed = kHoldArmed; hold_.compare_exchange_strong(armed, kHoldHeld)) {
        TheClock().Changed();
        TheClock().AwaitFor(5000, [this] { return wakeRequested_.load(); });
        hold_ = 0;
    }
    if (const int stuck = stuckMs_.exchange(0); stuck > 0) {
        stuckRead_ = kStuckUnderWay;
        TheClock().Changed();
        TheClock().Sleep(stuck);
        const int n = std::min(capacity, static_cast<int>(stuckPacket_.size()));
        std::memcpy(buffer, stuckPacket_.data(), static_cast<std::size_t>(n));
        stuckRead_ = kStuckOver;
        TheClock().Changed();
        return n;
    }
    const Slot* slot = TakeNext(inbound_.get(), kSlots, inboundHead_, inboundTail_, timeoutMs);
    if (slot == nullptr) {
        return 0;
    }
    const int n = std::min(capacity, slot->length);
    std::memcpy(buffer, At(slot->offset), static_cast<std::size_t>(std::max(n, 0)));
    return n;
}

const Terminal::Slot* Terminal::TakeNext(Slot* slots, std::size_t capacity,
                                         std::atomic<std::size_t>& head,
                                         const std::atomic<std::size_t>& tail, int timeoutMs) {
    VirtualClock& clock = TheClock();
    const Slot* taken = nullptr;
    // The next entry, once it is published.
    const auto next = [&]() -> const Slot* {
        const std::size_t index = head.load();
        return index < std::min(tail.load(), capacity) &&
                       slots[index].ready.load(std::memory_order_acquire)
                   ? &slots[index]
                   : nullptr;
    };
    const auto ready = [&] {
        if (wakeRequested_.exchange(false)) {
            return true;
        }
        std::size_t index = head.load();
        const Slot* slot = next();
        if (slot != nullptr && slot->dueMs <= clock.NowMs() &&
            head.compare_exchange_strong(index, index + 1)) {
            taken = slot;
            clock.Changed();
            return true;
        }
        return false;
    };
    const auto dueAt = [&] {
        const Slot* slot = next();
        return slot != nullptr ? slot->dueMs : VirtualClock::kNever;
    };
    clock.Await(clock.NowMs() + std::max(timeoutMs, 0), ready, dueAt);
    return taken;
}

int Terminal::TerminalRead() {
    wakeRequested_ = true;
    TheClock().Changed();
    return 1;
}

void Terminal::SetModemResponder(ModemResponder responder) {
    std::lock_guard lock(respondersMutex_);
    if (!responder) {
        modemResponder_ = nullptr;
        return;
    }
    modemResponders_.push_back(std::move(responder));
    modemResponder_ = &modemResponders_.back();
}

void Terminal::DefaultModemRespond(std::string_view command) {
    const bool dial = command.substr(0, 3) == "ATD";
    ModemAnswer(command, dial ? "\r\nCONNECT 9600\r\n" : "\r\nOK\r\n");
}

void Terminal::ModemAnswer(std::string_view echo, std::string_view lines, int delayMs) {
    const int length = static_cast<int>(echo.size() + lines.size());
    const std::int64_t offset = Store(nullptr, length);
    if (offset >= 0) {
        std::memcpy(At(offset), echo.data(), echo.size());
        std::memcpy(At(offset) + echo.size(), lines.data(), lines.size());
    }
    Publish(modemInbound_.get(), kModemSlots, modemInboundTail_, offset, length, delayMs);
}

std::vector<Terminal::ModemText> Terminal::ModemTexts() const {
    std::vector<ModemText> texts;
    const std::size_t count = std::min(modemSentCount_.load(), kModemSlots);
    for (std::size_t i = 0; i < count; ++i) {
        const ModemSlot& slot = modemSent_[i];
        if (slot.ready.load(std::memory_order_acquire) && slot.offset >= 0) {
            const auto* text = reinterpret_cast<const char*>(At(slot.offset));
            texts.push_back({std::string(text, static_cast<std::size_t>(slot.length)),
                             slot.packetsBefore, slot.readsBefore});
        }
    }
    return texts;
}

int Terminal::SendToModem(const char* text, int length) {
    length = std::max(length, 0);
    const std::size_t index = modemSentCount_.fetch_add(1);
    if (index < kModemSlots) {
        ModemSlot& slot = modemSent_[index];
        slot.offset = Store(reinterpret_cast<const std::uint8_t*>(text), length);
        slot.length = length;
        slot.packetsBefore = static_cast<int>(std::min(sentCount_.load(), kSlots));
        slot.readsBefore = static_cast<int>(readCount_.load());
        slot.ready.store(true, std::memory_order_release);
    }
    const std::string_view command(text, static_cast<std::size_t>(length));
    if (const ModemResponder* responder = modemResponder_.load()) {
        (*responder)(command);
    } else {
        DefaultModemRespond(command);
    }
    if (modemAnswersDuringSend_) {
        const std::size_t answered = modemInboundTail_.load();
        TheClock().AwaitFor(1000, [&] { return modemInboundHead_.load() >= answered; });
        // Time for the reader to hand the answer over before the sender goes on.
        TheClock().Sleep(20);
    }
    return 1;
}

int Terminal::ReadFromModem(char* buffer, int lastCommandLength, int timeoutMs) {
    lastModemReadLength_ = lastCommandLength;
    const Slot* slot =
        TakeNext(modemInbound_.get(), kModemSlots, modemInboundHead_, modemInboundTail_, timeoutMs);
    if (slot == nullptr) {
        return 0;
    }
    const int n = std::min(slot->length, kModemAnswerCapacity - 1);
    std::memcpy(buffer, At(slot->offset), static_cast<std::size_t>(std::max(n, 0)));
    buffer[std::max(n, 0)] = '\0';
    return 1;
}

ThreadId CurrentThreadId() {
#if defined(_WIN32)
    return GetCurrentThreadId();
#else
    return static_cast<ThreadId>(pthread_self());
#endif
}

Terminal& TheTerminal() {
    static Terminal terminal;
    return terminal;
}

namespace {
// How deep the calling thread is in the transport's entries. On Windows in the system's own
// thread storage: mingw's thread_local goes through its thread layer and a process-wide lock,
// which a reader suspended inside a transport entry would hold for ever.
#if defined(_WIN32)
const DWORD depthSlot = TlsAlloc();
int TransportDepth() {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(TlsGetValue(depthSlot)));
}
void SetTransportDepth(int depth) {
    // A thread storage slot holds a pointer-sized value; the depth is kept in it as a number.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    TlsSetValue(depthSlot, reinterpret_cast<void*>(static_cast<std::intptr_t>(depth)));
}
#else
thread_local int transportDepth = 0;
int TransportDepth() {
    return transportDepth;
}
void SetTransportDepth(int depth) {
    transportDepth = depth;
}
#endif

struct TransportCall {
    TransportCall() { SetTransportDepth(TransportDepth() + 1); }
    ~TransportCall() { SetTransportDepth(TransportDepth() - 1); }
    TransportCall(const TransportCall&) = delete;
    TransportCall& operator=(const TransportCall&) = delete;
};
} // namespace

bool InsideTransport() {
    return TransportDepth() > 0;
}

std::string TransportPath(const char* baseName) {
#if defined(_WIN32)
    return std::string(baseName) + ".dll";
#else
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string exe(path, n > 0 ? static_cast<std::size_t>(n) : 0);
    return exe.substr(0, exe.rfind('/') + 1) + "lib" + baseName + ".so";
#endif
}

} // namespace scripted

using scripted::TheTerminal;
using scripted::TransportCall;

SCRIPT_HOST_EXPORT ScriptHost* EMBUDP_CALL SCRIPT_HOST(void) {
    static ScriptHost host = {
        [](int p1, int p2, int p3) {
            TransportCall call;
            return TheTerminal().Init(p1, p2, p3);
        },
        [](void* handle) {
            TransportCall call;
            return TheTerminal().Close(handle);
        },
        [](void*, const void* bytes, int length) {
            TransportCall call;
            return TheTerminal().Send(bytes, length);
        },
        [](void*, void* buffer, int capacity, int timeoutMs) {
            TransportCall call;
            return TheTerminal().Read(buffer, capacity, timeoutMs);
        },
        [](void*) {
            TransportCall call;
            return TheTerminal().TerminalRead();
        },
        [](void*) {
            TransportCall call;
            return TheTerminal().Name();
        },
        [](void*, const char* text, int length) {
            TransportCall call;
            return TheTerminal().SendToModem(text, length);
        },
        [](void*, char* buffer, int lastCommandLength, int timeoutMs) {
            TransportCall call;
            return TheTerminal().ReadFromModem(buffer, lastCommandLength, timeoutMs);
        },
    };
    return &host;
}
