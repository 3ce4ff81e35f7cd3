#include "reader.h"

#include "modem.h"
#include "packet.h"

#include <new>

namespace termlink {

namespace {

constexpr int kMayReadWaitMs = 200;
constexpr int kReadTimeoutMs = 1000;
constexpr int kFirstModemReadTimeoutMs = 1000;

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

bool StopRequested(const TermConnection* c) {
    return c->stopReader.wait(0) == os::WaitResult::Signalled;
}

os::WaitResult WaitForMayRead(const TermConnection* c) {
    os::BlockingScope blocking;
    return c->readerMayRead.wait(kMayReadWaitMs);
}

void ReaderThreadProc(void* parameter) {
    auto* slot = static_cast<ReaderSlot*>(parameter);
    TermConnection* c = slot->connection;
    std::uint8_t* buffer = slot->buffer;
    int modemReadTimeout = kFirstModemReadTimeoutMs;

    for (;;) {
        if (Dialling(c)) {
            if (!ModemCycle(slot, modemReadTimeout)) {
                return;
            }
            continue;
        }
        if (StopRequested(c)) {
            return;
        }
        const os::WaitResult may = WaitForMayRead(c);
        if (may == os::WaitResult::Abandoned) {
            return;
        }
        if (may == os::WaitResult::TimedOut) {
            continue;
        }

        c->readerIdle.reset();
        // Transact withdraws readerMayRead before it looks at readerIdle. Looking again here
        // closes the gap in which it would still find this reader idle and send while the reader
        // goes on into a read: that read could take the reply before Transact releases the
        // reader, and the release would then let it take the packet after the reply (a data
        // packet of a multi-packet transfer) as well.
        if (c->readerMayRead.wait(0) != os::WaitResult::Signalled) {
            c->readerIdle.set();
            continue;
        }
        int n = 0;
        if (!ReadInSlot(slot, [&] {
                n = c->fnRead(c->transport, buffer, c->rxBufferSize, kReadTimeoutMs);
            })) {
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
    std::unique_ptr<ReaderSlot> slot(new (std::nothrow) ReaderSlot);
    if (!slot) {
        return false;
    }
    slot->connection = c;
    slot->buffer = c->rxBuffer.get();
    if (!slot->thread.start(ReaderThreadProc, slot.get())) {
        return false;
    }
    c->readerThread = std::move(slot);
    return true;
}

void RestartReader(TermConnection* c) {
    ReaderSlot* old = c->readerThread.get();
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
    old->next = std::move(c->abandonedReaders);
    c->abandonedReaders = std::move(c->readerThread);
    c->readerIdle.set();
    if (!StartReader(c)) {
        // Without a reader, replies are read on the caller's thread from now on.
        c->noReaderThread = 1;
    }
}

void StopReaders(TermConnection* c) {
    if (c->readerThread == nullptr && c->abandonedReaders == nullptr) {
        return;
    }
    c->stopReader.set();
    // A reader that began a new transport read after the last idle wait is woken too, so that
    // stopping costs no full read time-out.
    if (c->fnTerminalRead != nullptr && c->readerThread != nullptr) {
        c->fnTerminalRead(c->transport);
    }
    c->readerThread.reset();
    c->abandonedReaders.reset();
}

bool PauseReader(TermConnection* c, int idleWaitMs) {
    if (c->fnTerminalRead != nullptr) {
        c->fnTerminalRead(c->transport);
        if (c->readerIdle.wait(idleWaitMs) == os::WaitResult::TimedOut) {
            RestartReader(c);
        }
        return false;
    }
    if (c->readerThread != nullptr) {
        c->readerThread->thread.suspend();
        c->readerSuspended = true;
        return true;
    }
    return false;
}

void ResumeReader(TermConnection* c) {
    c->readerSuspended = false;
    if (c->readerThread != nullptr) {
        c->readerThread->thread.resume();
    }
}

} // namespace termlink
