// Modem connections: the AT command exchange with the modem behind the transport, the dial,
// and the reader thread's modem cycle that reads the modem's answers as text.
#pragma once

#include "connection.h"

namespace termlink {

struct ReaderSlot;

// Kinds of modem command; any other value sends "ATH" CR (MODEM_ONHOOK).
enum ModemCommandKind {
    MODEM_AT = 5000,     // "AT" CR
    MODEM_DIAL = 5001,   // "ATD" + phone number + CR
    MODEM_ESCAPE = 5002, // "+++" CR
    MODEM_HANGUP = 5003, // "+++ATH" CR
    MODEM_ONHOOK = 5004  // "ATH" CR
};

// The phone number of a modem connection holds at most this many characters.
constexpr int kMaxPhoneNumberLength = 19;

// Writes the command text of `kind` (NUL-terminated) and returns its length.
int ModemCommandText(int kind, const char* phoneNumber, char (&text)[32]);

// Sends one modem command and waits for the modem's answer, in up to two tries.
// Returns 1 when an answer came (it is then in the receive buffer as text), else 0.
int ModemCommand(TermConnection* connection, int kind);

// "AT" answered "OK", then the dial answered "CONNECT". Non-zero on success.
int ModemDial(TermConnection* connection);

// Index of the first character after the third line break (CR and LF each count), 0 when the
// text has fewer, is empty or is null.
int FindModemReplyText(const char* text);

// Whether the connection is still dialling: its phone number is not yet cleared. Safe on any
// thread while the opener clears the number.
bool Dialling(TermConnection* connection);
// Clears the phone number once the dial succeeded: the reader turns to packet cycles.
void ClearPhoneNumber(TermConnection* connection);

// One modem cycle of the reader thread. `readTimeout` carries the read time-out from one cycle
// to the next. Returns false when the thread must end.
bool ModemCycle(ReaderSlot* slot, int& readTimeout);

} // namespace termlink
