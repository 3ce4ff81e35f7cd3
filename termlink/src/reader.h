// The reader thread of a connection: reads the transport between transactions, hands replies
// to the waiting transaction and delivers the terminal's events to the caller's callback.
#pragma once

#include "connection.h"

namespace termlink {

// One reader thread. A reader that Transact gives up on (stuck in a transport read) keeps its
// slot and the receive buffer it was reading into, and never touches the connection again:
// the connection gets a fresh buffer and a new reader. The slot is released at close.
// Releasing a slot waits for its thread, then frees the slots it owns and its buffer.
struct ReaderSlot {
    enum State : int { Outside = 0, InRead = 1, Abandoned = 2 };

    TermConnection* connection = nullptr;
    std::uint8_t* buffer = nullptr; // the receive buffer this reader fills
    std::unique_ptr<std::uint8_t[]> retiredBuffer;
    std::unique_ptr<ReaderSlot> next; // the reader abandoned before this one
    std::atomic<int> state{Outside};
    os::Thread thread; // declared last: joined before anything else of the slot goes
};

// Starts a reader on the connection's current receive buffer. False when it cannot start.
bool StartReader(TermConnection* connection);

// Replaces a reader that is stuck in a transport read by a new one on a fresh buffer.
// Does nothing when the reader has just come out of its read by itself.
void RestartReader(TermConnection* connection);

// Stops the reader and every abandoned one, waiting without limit. Nothing without readers.
void StopReaders(TermConnection* connection);

// Pauses the reader before a send: through EMBUDP_TERMINALREAD and readerIdle (waiting up to
// `idleWaitMs`, then replacing a stuck reader) when the transport has it, else by suspending
// the thread. Returns whether it suspended; ResumeReader undoes that (and does nothing else).
bool PauseReader(TermConnection* connection, int idleWaitMs);
void ResumeReader(TermConnection* connection);

// Steps of a reader cycle: the poll of stopReader, and the wait for readerMayRead.
bool StopRequested(const TermConnection* connection);
os::WaitResult WaitForMayRead(const TermConnection* connection);

// Runs `read` as a transport read of this reader. False when the reader was abandoned while it
// ran: the reader must then end without touching the connection again.
template <typename Read> bool ReadInSlot(ReaderSlot* slot, Read&& read) {
    slot->state.store(ReaderSlot::InRead);
    {
        os::BlockingScope blocking;
        read();
    }
    int expected = ReaderSlot::InRead;
    return slot->state.compare_exchange_strong(expected, ReaderSlot::Outside);
}

void ReaderThreadProc(void* slot);

} // namespace termlink
