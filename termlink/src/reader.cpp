#include "reader.h"

#include "packet.h"

#include <new>

namespace termlink {

namespace {

constexpr int kMayReadWaitMs = 200;
constexpr int kReadTimeoutMs = 1000;

bool StopRequested(const TermConnection* c) {
    return c->stopReader.wait(0) == os::WaitResult::Signalled;
}

void DeliverEvent(TermConnection* c, std::uint8_t* packet, int length) {
    if (c->eventCallback != nullptr) {
        std::int32_t number = ReadU16(packet + kOffsetNumber);
        if (number != c->lastEventNumber || c->lastEventNumber == 0) {
            c->eventCallback(c->callbackValue, ReadU16(packet + kOffsetSession),
                             length - kHeaderSize, packet + kHeaderSize);
            c->lastEventNumber = number;
        }
    }
    AcknowledgeEvent(c, packet);
}

} // namespace

void ReaderThreadProc(void* parameter) {
    auto* slot = static_cast<ReaderSlot*>(parameter);
    TermConnection* c = slot->connection;
    std::uint8_t* buffer = slot->buffer;

    for (;;) {
        if (StopRequested(c)) {
            return;
        }
        os::WaitResult may;
        {
            os::BlockingScope blocking;
            may = c->readerMayRead.wait(kMayReadWaitMs);
        }
        if (may == os::WaitResult::Abandoned) {
            return;
        }
        if (may == os::WaitResult::TimedOut) {
            continue;
        }

        c->readerIdle.reset();
        slot->state.store(ReaderSlot::InRead);
        int n;
        {
            os::BlockingScope blocking;
            n = c->fnRead(c->transport, buffer, c->rxBufferSize, kReadTimeoutMs);
        }
        int expected = ReaderSlot::InRead;
        if (!slot->state.compare_exchange_strong(expected, ReaderSlot::Outside)) {
            return; // abandoned while reading: a new reader owns the connection now
        }
        c->readerIdle.set();

        if (StopRequested(c)) {
            return;
        }
        if (n < 1 || n > c->rxBufferSize || !VerifyPacket(buffer, n)) {
            continue;
        }
        if (ReadU16(buffer + kOffsetCode) == EVENT_PACKET) {
            DeliverEvent(c, buffer, n);
            continue;
        }
        AcceptReply(c, buffer, n);
    }
}

bool StartReader(TermConnection* c) {
    auto* slot = new (std::nothrow) ReaderSlot;
    if (slot == nullptr) {
        return false;
    }
    slot->connection = c;
    slot->buffer = c->rxBuffer.get();
    if (!slot->thread.start(ReaderThreadProc, slot)) {
        delete slot;
        return false;
    }
    c->readerThread = slot;
    return true;
}

void RestartReader(TermConnection* c) {
    ReaderSlot* old = c->readerThread;
    if (old == nullptr) {
        return;
    }
    std::unique_ptr<std::uint8_t[]> fresh(new (std::nothrow) std::uint8_t[c->rxBufferSize]);
    if (!fresh) {
        return;
    }
    int expected = ReaderSlot::InRead;
    if (!old->state.compare_exchange_strong(expected, ReaderSlot::Abandoned)) {
        return; // it came out of its read just now: not stuck
    }
    old->retiredBuffer = std::move(c->rxBuffer);
    c->rxBuffer = std::move(fresh);
    old->next = c->abandonedReaders;
    c->abandonedReaders = old;
    c->readerThread = nullptr;
    c->readerIdle.set();
    if (!StartReader(c)) {
        // Without a reader, replies are read on the caller's thread from now on.
        c->noReaderThread = 1;
    }
}

void StopReaders(TermConnection* c) {
    if (c->readerThread != nullptr) {
        c->readerThread->thread.join();
        delete c->readerThread;
        c->readerThread = nullptr;
    }
    while (c->abandonedReaders != nullptr) {
        ReaderSlot* slot = c->abandonedReaders;
        c->abandonedReaders = slot->next;
        slot->thread.join();
        delete slot;
    }
}

} // namespace termlink
