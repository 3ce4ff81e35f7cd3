// The transaction engine: one request and its reply, with attempts, time-outs and the hand-off
// with the reader thread; the synchronous read of connections without a reader; TERMPRO_SENDCMD.
#include "connection.h"
#include "packet.h"
#include "reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace termlink {

namespace {

constexpr int kBusyPauseMs = 200;
constexpr int kNoReaderPauseMs = 200;
constexpr int kReaderMarginMs = 5000;
constexpr int kRetryPauseMs = 100;

int AttemptCount(std::uint16_t code, int replyCapacity, int timeout) {
    if (timeout == 0) {
        return 1;
    }
    if (code == CMD_CONNECT) {
        return 2;
    }
    if (code == CMD_DISCONNECT) {
        return 1;
    }
    return replyCapacity > 0 ? 4 : 2;
}

} // namespace

int Transact(TermConnection* c, std::uint16_t* code, void* data, int replyCapacity,
             int payloadLength, int timeout, bool keepReaderPaused, int* timeoutCounter) {
    const int length = payloadLength + kHeaderSize;
    if (payloadLength < 0 || length > c->rxBufferSize || (payloadLength > 0 && data == nullptr)) {
        *code = static_cast<std::uint16_t>(ERR_SEND_FAILED);
        return 0;
    }

    std::uint8_t* packet = c->txBuffer.get();
    if (payloadLength > 0) {
        std::memcpy(packet + kHeaderSize, data, static_cast<std::size_t>(payloadLength));
    }
    const std::uint16_t number = c->sequence;
    SealPacket(packet, length, *code, c->sessionId, number);

    const int attempts = AttemptCount(*code, replyCapacity, timeout);
    int result = ERR_NO_REPLY;
    bool ended = false;
    for (int attempt = 0; attempt < attempts && !ended; ++attempt) {
        const bool withReader = c->noReaderThread == 0;
        bool suspended = false;
        if (withReader) {
            c->replyReady.reset();
            c->readerMayRead.reset();
            suspended = PauseReader(c, timeout + kReaderMarginMs);
        }
        c->replyLength = -1;

        if (c->fnSend(c->transport, packet, length) == 0) {
            if (suspended) {
                ResumeReader(c);
            }
            *code = static_cast<std::uint16_t>(ERR_SEND_FAILED);
            continue;
        }
        c->sequence = static_cast<std::uint16_t>(number + 1);

        if (withReader) {
            c->readerMayRead.set();
            ResumeReader(c);
            os::WaitResult waited = c->replyReady.wait(timeout + kReaderMarginMs);
            if (waited == os::WaitResult::TimedOut) {
                if (timeoutCounter != nullptr) {
                    *timeoutCounter += 1;
                }
                continue;
            }
            if (waited == os::WaitResult::Abandoned) {
                *code = static_cast<std::uint16_t>(ERR_SEND_FAILED);
                result = ERR_SEND_FAILED;
                ended = true;
                break;
            }
        } else {
            os::SleepMs(kNoReaderPauseMs);
            ReadOnePacket(c, timeout);
        }

        const int replyLength = c->replyLength;
        if (replyLength < 0) {
            continue;
        }
        const std::uint8_t* reply = c->rxBuffer.get();
        const std::uint16_t replyCode = ReadU16(reply + kOffsetCode);
        const int copied = data != nullptr ? std::min(replyLength, std::max(replyCapacity, 0)) : 0;
        if (copied > 0) {
            std::memcpy(data, reply + kHeaderSize, static_cast<std::size_t>(copied));
            // The protocol's trace line for a refused chunk that came back with data (termlink.h
            // says why it stays).
            if (*code == CMD_DATA_CHUNK && replyCode != REPLY_OK) {
                std::fputs("haha\n", stdout);
                std::fflush(stdout);
            }
        }
        if (replyCode == REPLY_BUSY) {
            os::SleepMs(kBusyPauseMs);
            continue;
        }
        *code = replyCode;
        result = ReadU16(reply + kOffsetSession);
        ended = true;
    }

    if (!ended) {
        *code = static_cast<std::uint16_t>(ERR_NO_REPLY);
        result = ERR_NO_REPLY;
    }
    if (c->noReaderThread == 0 && !keepReaderPaused) {
        c->readerMayRead.set();
    }
    return result;
}

void AcceptReply(TermConnection* c, const std::uint8_t* packet, int length) {
    const int number = ReadU16(packet + kOffsetNumber);
    if (number >= static_cast<int>(c->sequence) - 1) {
        c->replyLength = length - kHeaderSize;
        c->readerMayRead.reset();
        c->replyReady.set();
    }
}

void AcknowledgeEvent(TermConnection* c, std::uint8_t* packet) {
    SealPacket(packet, kHeaderSize, REPLY_OK, c->sessionId, ReadU16(packet + kOffsetNumber));
    c->fnSend(c->transport, packet, kHeaderSize);
}

int ReadOnePacket(TermConnection* c, int timeout) {
    std::uint8_t* buffer = c->rxBuffer.get();
    const int n = c->fnRead(c->transport, buffer, kSmallBufferSize, timeout);
    if (n > kSmallBufferSize || !VerifyPacket(buffer, n)) {
        return 0;
    }
    if (ReadU16(buffer + kOffsetCode) == EVENT_PACKET) {
        AcknowledgeEvent(c, buffer);
        return 0;
    }
    AcceptReply(c, buffer, n);
    return 0;
}

} // namespace termlink

using namespace termlink;

namespace {

bool NeverRetried(std::uint16_t request) {
    return request == 16 || request == 17 || (request >= 1001 && request <= 1007);
}

bool IsRetryCase(std::uint16_t word, int replyCapacity, const void* data) {
    const auto s = static_cast<std::int16_t>(word);
    return s == ERR_NO_REPLY || s == ERR_SEND_FAILED || s == ERR_RECEIVE_FAILED ||
           (word == REPLY_OK_NO_DATA && replyCapacity > 0 && data != nullptr);
}

} // namespace

extern "C" int TERMLINK_CALL TERMPRO_SENDCMD(TermConnection* connection, std::uint16_t* code,
                                             void* data, int replyCapacity, int payloadLength,
                                             int timeout) {
    if (connection == nullptr || code == nullptr) {
        if (code != nullptr) {
            *code = static_cast<std::uint16_t>(ERR_SEND_FAILED);
        }
        return ERR_SEND_FAILED;
    }
    const std::uint16_t request = *code;
    const int calls = timeout != 0 ? 2 : 1;
    std::uint16_t last = request;
    int result = 0;
    for (int call = 0; call < calls; ++call) {
        std::uint16_t word = request;
        result = Transact(connection, &word, data, replyCapacity, payloadLength, timeout, false,
                          nullptr);
        last = word;
        if (NeverRetried(request)) {
            break;
        }
        if (word == REPLY_OK_NO_DATA && (replyCapacity <= 0 || data == nullptr)) {
            last = REPLY_OK;
            break;
        }
        if (!IsRetryCase(word, replyCapacity, data) || request == CMD_CONNECT) {
            break;
        }
        os::SleepMs(kRetryPauseMs);
    }
    *code = request == CMD_DISCONNECT ? static_cast<std::uint16_t>(REPLY_OK) : last;
    return result;
}
