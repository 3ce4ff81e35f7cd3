// Opening and closing connections: binding the transport library, the connect and
// authentication exchange, and the process-wide reason of the last failed opening.
#include "connection.h"

#include "packet.h"
#include "reader.h"

#include <cstring>
#include <new>

namespace termlink {

std::atomic<int> LastInitError{0};

namespace {

constexpr int kAuthTimeoutMs = 5000;
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

// The transport's name selects the receive buffer: 64 KiB for "TCP...", else 1032 bytes.
// A transport without a name gets the small buffer.
bool AllocateBuffers(TermConnection* c) {
    const char* name = c->fnName != nullptr ? c->fnName(c) : nullptr;
    const bool large = name != nullptr && std::strncmp(name, "TCP", 3) == 0;
    c->rxBufferSize = large ? kLargeBufferSize : kSmallBufferSize;
    c->rxBuffer.reset(new (std::nothrow) std::uint8_t[c->rxBufferSize]);
    c->txBuffer.reset(new (std::nothrow) std::uint8_t[c->rxBufferSize]);
    return c->rxBuffer && c->txBuffer;
}

bool CreateEvents(TermConnection* c) {
    return c->replyReady.create(false) && c->readerMayRead.create(false) &&
           c->readerIdle.create(true) && c->stopReader.create(false);
}

void CloseEvents(TermConnection* c) {
    c->replyReady.close();
    c->readerMayRead.close();
    c->readerIdle.close();
    c->stopReader.close();
}

void CloseTransport(TermConnection* c) {
    c->fnClose(c->transport);
    c->transport = nullptr;
    c->library.unload();
}

// Stops the reader threads. A reader that began a new transport read after the last idle wait
// is woken too, so that stopping costs no full read time-out.
void StopReaderThreads(TermConnection* c) {
    c->stopReader.set();
    if (c->fnTerminalRead != nullptr && c->readerThread != nullptr) {
        c->fnTerminalRead(c->transport);
    }
    StopReaders(c);
}

// Unwinds an opening from the point where the transport is open.
void FailOpening(TermConnection* c) {
    StopReaderThreads(c);
    CloseEvents(c);
    CloseTransport(c);
    delete c;
}

// Connect, and authenticate when the terminal asks for it. Sets LastInitError.
bool Connect(TermConnection* c, int timeout, std::uint32_t password) {
    LastInitError = TERMPRO_INIT_CONNECTING;
    std::uint16_t code = CMD_CONNECT;
    const int result = TERMPRO_SENDCMD(c, &code, nullptr, 0, 0, timeout);
    if (code == REPLY_OK) {
        c->sessionId = static_cast<std::uint16_t>(result);
        c->sequence = 1;
        LastInitError = TERMPRO_INIT_OK;
        return true;
    }
    if (code != REPLY_AUTH_REQUIRED) {
        LastInitError = TERMPRO_INIT_CONNECT;
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

} // namespace

} // namespace termlink

using namespace termlink;

extern "C" TermConnection* TERMLINK_CALL TERMPRO_INIT(const char* transportLibrary, int parameter1,
                                                      int parameter2, int parameter3,
                                                      TERMPRO_EVENT_CALLBACK callback,
                                                      int callbackValue, int password,
                                                      int connectTimeout) {
    auto* c = new (std::nothrow) TermConnection;
    if (c == nullptr) {
        return nullptr;
    }
    if (!BindTransport(c, transportLibrary)) {
        delete c;
        return nullptr;
    }
    if (!AllocateBuffers(c)) {
        LastInitError = TERMPRO_INIT_EVENTS;
        delete c;
        return nullptr;
    }
    c->eventCallback = callback;
    c->noReaderThread = callback == nullptr ? 1 : 0;

    LastInitError = TERMPRO_INIT_NO_ENTRY;
    if (c->fnInit == nullptr || c->fnClose == nullptr || c->fnSend == nullptr ||
        c->fnRead == nullptr) {
        delete c;
        return nullptr;
    }
    LastInitError = TERMPRO_INIT_TRANSPORT;
    c->transport = c->fnInit(parameter1, parameter2, parameter3);
    if (c->transport == nullptr) {
        delete c;
        return nullptr;
    }

    LastInitError = TERMPRO_INIT_EVENTS;
    c->callbackValue = callbackValue;
    if (!CreateEvents(c)) {
        CloseTransport(c);
        delete c;
        return nullptr;
    }
    c->readerMayRead.set();
    if (callback != nullptr && !StartReader(c)) {
        LastInitError = TERMPRO_INIT_THREAD;
        FailOpening(c);
        return nullptr;
    }
    if (!Connect(c, connectTimeout, static_cast<std::uint32_t>(password))) {
        FailOpening(c);
        return nullptr;
    }
    return c;
}

extern "C" void TERMLINK_CALL TERMPRO_CLOSE(TermConnection* connection) {
    TermConnection* c = connection;
    if (c == nullptr) {
        return;
    }
    std::uint16_t code = CMD_DISCONNECT;
    TERMPRO_SENDCMD(c, &code, nullptr, 0, 0, kDisconnectTimeoutMs);
    if (c->fnTerminalRead != nullptr) {
        c->fnTerminalRead(c->transport);
        c->readerIdle.wait(kCloseIdleWaitMs);
    }
    StopReaderThreads(c);
    CloseEvents(c);
    CloseTransport(c);
    delete c;
}

extern "C" int TERMLINK_CALL TERMPRO_LASTERROR(void) {
    return LastInitError;
}
