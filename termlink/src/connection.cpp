// Opening and closing connections: binding the transport library, the dial of modem
// connections, the connect and authentication exchange, and the process-wide reason of the last
// failed opening.
#include "connection.h"

#include "modem.h"
#include "packet.h"
#include "reader.h"

#include <cstring>
#include <new>

namespace termlink {

std::atomic<int> LastInitError{0};

namespace {

constexpr int kAuthTimeoutMs = 5000;
constexpr int kInitExConnectTimeoutMs = 5000;
constexpr int kModemConnectTimeoutMs = 9000;
constexpr int kDisconnectTimeoutMs = 10;
constexpr int kCloseIdleWaitMs = 6000;

template <typename Fn> Fn Entry(const os::Library& library, const char* name) {
    return reinterpret_cast<Fn>(library.symbol(name));
}

// Loads the transport library and looks up its entries. False when it cannot be loaded.
bool BindTransport(TermConnection* c, const char* fileName) {
    if (fileName == nullptr || !c->library.load(fileName)) {
        return false;
    }
    c->fnInit = Entry<EmbudpInitFn>(c->library, "EMBUDP_INIT");
    c->fnClose = Entry<EmbudpCloseFn>(c->library, "EMBUDP_CLOSE");
    c->fnSend = Entry<EmbudpSendFn>(c->library, "EMBUDP_SEND");
    c->fnRead = Entry<EmbudpReadFn>(c->library, "EMBUDP_READ");
    c->fnTerminalRead = Entry<EmbudpTerminalReadFn>(c->library, "EMBUDP_TERMINALREAD");
    c->fnName = Entry<EmbudpNameFn>(c->library, "EMBUDP_NAME");
    return true;
}

// Takes the phone number of a modem connection and binds the transport's modem entries.
// False when the number does not fit: a cut number would dial someone else.
bool TakePhoneNumber(TermConnection* c, const char* number) {
    int length = 0;
    while (length <= kMaxPhoneNumberLength && number[length] != '\0') {
        ++length;
    }
    if (length > kMaxPhoneNumberLength) {
        return false;
    }
    std::memcpy(c->phoneNumber, number, static_cast<std::size_t>(length));
    c->modemMode = 1;
    c->fnSendToModem = Entry<EmbudpSendToModemFn>(c->library, "EMBUDP_SENDTOMODEM");
    c->fnReadFromModem = Entry<EmbudpReadFromModemFn>(c->library, "EMBUDP_READFROMMODEM");
    return true;
}

bool HasRequiredEntries(const TermConnection* c) {
    const bool packets = c->fnInit != nullptr && c->fnClose != nullptr && c->fnSend != nullptr &&
                         c->fnRead != nullptr;
    const bool modem = c->fnSendToModem != nullptr && c->fnReadFromModem != nullptr;
    return packets && (c->modemMode == 0 || modem);
}

// The transport's name selects the receive buffer: 64 KiB for "TCP...", else 1032 bytes.
// A transport without a name gets the small buffer. The receive buffer starts zeroed: modem
// answers are read from it as text.
bool AllocateBuffers(TermConnection* c) {
    const char* name = c->fnName != nullptr ? c->fnName(c) : nullptr;
    const bool large = name != nullptr && std::strncmp(name, "TCP", 3) == 0;
    c->rxBufferSize = large ? kLargeBufferSize : kSmallBufferSize;
    c->rxBuffer.reset(new (std::nothrow) std::uint8_t[c->rxBufferSize]());
    c->txBuffer.reset(new (std::nothrow) std::uint8_t[c->rxBufferSize]);
    return c->rxBuffer && c->txBuffer;
}

bool CreateEvents(TermConnection* c) {
    return c->replyReady.create(false) && c->readerMayRead.create(false) &&
           c->readerIdle.create(true) && c->stopReader.create(false);
}

// Connect, and authenticate when the terminal asks for it. Sets LastInitError: `refused` when
// the connect is answered with neither REPLY_OK nor REPLY_AUTH_REQUIRED.
bool Connect(TermConnection* c, int timeout, std::uint32_t password, int refused) {
    std::uint16_t code = CMD_CONNECT;
    const int result = TERMPRO_SENDCMD(c, &code, nullptr, 0, 0, timeout);
    if (code == REPLY_OK) {
        c->sessionId = static_cast<std::uint16_t>(result);
        c->sequence = 1;
        LastInitError = TERMPRO_INIT_OK;
        return true;
    }
    if (code != REPLY_AUTH_REQUIRED) {
        LastInitError = refused;
        return false;
    }

    LastInitError = TERMPRO_INIT_AUTHENTICATION;
    c->sessionId = static_cast<std::uint16_t>(result);
    c->sequence = 1;
    std::uint8_t key[4];
    WriteU32(key, ScrambleCommKey(password, c->sessionId));
    code = CMD_AUTHENTICATE;
    TERMPRO_SENDCMD(c, &code, key, sizeof key, sizeof key, kAuthTimeoutMs);
    if (code != REPLY_OK) {
        return false;
    }
    LastInitError = TERMPRO_INIT_OK;
    return true;
}

// What an opening asks for. TERMPRO_INIT and TERMPRO_INITEX differ only in these.
struct Opening {
    const char* transportLibrary;
    int parameter1, parameter2, parameter3;
    TERMPRO_EVENT_CALLBACK callback;
    int callbackValue;
    int password;
    int connectTimeout;
    bool alwaysReader;       // a reader thread even without a callback
    const char* phoneNumber; // dial first when not null and not empty
};

TermConnection* Open(const Opening& o) {
    std::unique_ptr<TermConnection> owned(new (std::nothrow) TermConnection);
    TermConnection* c = owned.get();
    if (c == nullptr || !BindTransport(c, o.transportLibrary)) {
        return nullptr;
    }
    if (o.phoneNumber != nullptr && o.phoneNumber[0] != '\0' &&
        !TakePhoneNumber(c, o.phoneNumber)) {
        LastInitError = TERMPRO_INIT_MODEM;
        return nullptr;
    }
    if (!AllocateBuffers(c)) {
        LastInitError = TERMPRO_INIT_EVENTS;
        return nullptr;
    }
    c->eventCallback = o.callback;
    c->noReaderThread = o.callback == nullptr && !o.alwaysReader ? 1 : 0;

    LastInitError = TERMPRO_INIT_NO_ENTRY;
    if (!HasRequiredEntries(c)) {
        return nullptr;
    }
    LastInitError = TERMPRO_INIT_TRANSPORT;
    c->transport = c->fnInit(o.parameter1, o.parameter2, o.parameter3);
    if (c->transport == nullptr) {
        return nullptr;
    }

    LastInitError = TERMPRO_INIT_EVENTS;
    c->callbackValue = o.callbackValue;
    if (!CreateEvents(c)) {
        return nullptr;
    }
    c->readerMayRead.set();
    if (c->noReaderThread == 0 && !StartReader(c)) {
        LastInitError = TERMPRO_INIT_THREAD;
        return nullptr;
    }

    LastInitError = TERMPRO_INIT_CONNECTING;
    int connectTimeout = o.connectTimeout;
    if (c->modemMode != 0) {
        if (ModemDial(c) == 0) {
            LastInitError = TERMPRO_INIT_MODEM;
            return nullptr;
        }
        ClearPhoneNumber(c);
        connectTimeout = kModemConnectTimeoutMs;
    }
    const int refused = c->modemMode != 0 ? TERMPRO_INIT_MODEM : TERMPRO_INIT_CONNECT;
    if (!Connect(c, connectTimeout, static_cast<std::uint32_t>(o.password), refused)) {
        return nullptr;
    }
    return owned.release();
}

} // namespace

} // namespace termlink

TermConnection::TermConnection() = default;

TermConnection::~TermConnection() {
    termlink::StopReaders(this);
    replyReady.close();
    readerMayRead.close();
    readerIdle.close();
    stopReader.close();
    if (transport != nullptr) {
        fnClose(transport);
        transport = nullptr;
    }
    library.unload();
}

using namespace termlink;

extern "C" TermConnection* TERMLINK_CALL TERMPRO_INIT(const char* transportLibrary, int parameter1,
                                                      int parameter2, int parameter3,
                                                      TERMPRO_EVENT_CALLBACK callback,
                                                      int callbackValue, int password,
                                                      int connectTimeout) {
    return Open({transportLibrary, parameter1, parameter2, parameter3, callback, callbackValue,
                 password, connectTimeout, false, nullptr});
}

extern "C" TermConnection* TERMLINK_CALL TERMPRO_INITEX(
    const char* transportLibrary, int parameter1, int parameter2, int parameter3,
    TERMPRO_EVENT_CALLBACK callback, int callbackValue, int password, const char* phoneNumber) {
    return Open({transportLibrary, parameter1, parameter2, parameter3, callback, callbackValue,
                 password, kInitExConnectTimeoutMs, true, phoneNumber});
}

extern "C" void TERMLINK_CALL TERMPRO_CLOSE(TermConnection* connection) {
    const std::unique_ptr<TermConnection> c(connection);
    if (c == nullptr) {
        return;
    }
    std::uint16_t code = CMD_DISCONNECT;
    TERMPRO_SENDCMD(c.get(), &code, nullptr, 0, 0, kDisconnectTimeoutMs);
    if (c->modemMode != 0) {
        ModemCommand(c.get(), MODEM_HANGUP);
    }
    if (c->fnTerminalRead != nullptr) {
        c->fnTerminalRead(c->transport);
        c->readerIdle.wait(kCloseIdleWaitMs);
    }
}

extern "C" int TERMLINK_CALL TERMPRO_LASTERROR(void) {
    return LastInitError;
}
