// Modem connections: AT commands through the transport's modem entries, the dial, and the
// reader thread's modem cycle that hands the modem's answers to ModemCommand.
#include "modem.h"

#include "reader.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace termlink {

namespace {

constexpr int kTries = 2;
constexpr int kCommandWaitMs = 3000;
constexpr int kDialWaitMs = 30000;
constexpr int kReaderMarginMs = 5000;
constexpr int kAtReadTimeoutMs = 1000;
constexpr int kDialReadTimeoutMs = 30000;

// The first character of the phone number tells the reader whether the dial still runs; the
// opener clears it while the reader may look at it.
std::atomic_ref<char> FirstCharacter(TermConnection* c) {
    return std::atomic_ref<char>(c->phoneNumber[0]);
}

// Whether the modem's answer in the receive buffer begins with `expected` after its echo.
bool AnswerBeginsWith(const TermConnection* c, const char* expected) {
    const char* text = reinterpret_cast<const char*>(c->rxBuffer.get());
    const int p = FindModemReplyText(text);
    return p != 0 && std::strncmp(text + p, expected, std::strlen(expected)) == 0;
}

} // namespace

int ModemCommandText(int kind, const char* phoneNumber, char (&text)[32]) {
    int length = 0;
    switch (kind) {
    case MODEM_AT:
        length = std::snprintf(text, sizeof text, "AT\r");
        break;
    case MODEM_DIAL:
        length = std::snprintf(text, sizeof text, "ATD%.19s\r", phoneNumber);
        break;
    case MODEM_ESCAPE:
        length = std::snprintf(text, sizeof text, "+++\r");
        break;
    case MODEM_HANGUP:
        length = std::snprintf(text, sizeof text, "+++ATH\r");
        break;
    default:
        length = std::snprintf(text, sizeof text, "ATH\r");
        break;
    }
    return length;
}

int ModemCommand(TermConnection* c, int kind) {
    if (c->fnSendToModem == nullptr) {
        return 0;
    }
    char text[32];
    const int length = ModemCommandText(kind, c->phoneNumber, text);
    const int wait = kind == MODEM_DIAL ? kDialWaitMs : kCommandWaitMs;
    c->modemCommandKind = kind;
    c->modemCommandLength = length;

    for (int attempt = 0; attempt < kTries; ++attempt) {
        // The reader is released before the text goes out, so that an answer that comes back
        // at once is neither wiped by a later reset nor left unread.
        c->replyReady.reset();
        c->readerMayRead.set();
        c->fnSendToModem(c->transport, text, length);
        PauseReader(c, wait + kReaderMarginMs);
        ResumeReader(c);
        if (c->replyReady.wait(wait) == os::WaitResult::Signalled) {
            c->replyReady.reset();
            return 1;
        }
    }
    return 0;
}

int ModemDial(TermConnection* c) {
    if (ModemCommand(c, MODEM_AT) == 0 || !AnswerBeginsWith(c, "OK")) {
        return 0;
    }
    if (ModemCommand(c, MODEM_DIAL) == 0 || !AnswerBeginsWith(c, "CONNECT")) {
        return 0;
    }
    return 1;
}

int FindModemReplyText(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    int lineBreaks = 0;
    for (int i = 0; text[i] != '\0'; ++i) {
        if ((text[i] == '\r' || text[i] == '\n') && ++lineBreaks == 3) {
            return i + 1;
        }
    }
    return 0;
}

bool Dialling(TermConnection* c) {
    return FirstCharacter(c).load(std::memory_order_acquire) != '\0';
}

void ClearPhoneNumber(TermConnection* c) {
    std::memset(c->phoneNumber + 1, 0, sizeof c->phoneNumber - 1);
    FirstCharacter(c).store('\0', std::memory_order_release);
}

bool ModemCycle(ReaderSlot* slot, int& readTimeout) {
    TermConnection* c = slot->connection;
    if (StopRequested(c)) {
        return false;
    }
    const os::WaitResult may = WaitForMayRead(c);
    if (may == os::WaitResult::Abandoned) {
        return false;
    }
    // The dial may have ended while the reader waited: the release is then meant for a packet
    // cycle, which must read the terminal's reply.
    if (may == os::WaitResult::TimedOut || !Dialling(c)) {
        return true;
    }

    const int kind = c->modemCommandKind;
    if (kind == MODEM_AT) {
        readTimeout = kAtReadTimeoutMs;
    } else if (kind == MODEM_DIAL) {
        readTimeout = kDialReadTimeoutMs;
    }
    auto* buffer = reinterpret_cast<char*>(slot->buffer);
    int answered = 0;
    if (!ReadInSlot(slot, [&] {
            answered = c->fnReadFromModem(c->transport, buffer, c->modemCommandLength, readTimeout);
        })) {
        return false; // abandoned while reading: a new reader owns the connection now
    }
    if (answered != 0) {
        // The answer is text; it ends inside the buffer whatever the transport wrote.
        buffer[c->rxBufferSize - 1] = '\0';
        // Hold the buffer still before handing it over (as for packets), so that the caller's
        // next release cannot be wiped by this reset.
        c->readerMayRead.reset();
        c->replyReady.set();
    }
    return true;
}

} // namespace termlink
