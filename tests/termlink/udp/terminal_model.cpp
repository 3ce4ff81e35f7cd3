#include "terminal_model.h"

#include "termlink.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace termsim {

namespace {

// The terminals' scramble mask, byte 0 first: the same build setting as the library's.
constexpr std::uint8_t kCommMask[4] = {TERMLINK_COMM_MASK};

std::uint32_t ReverseBits(std::uint32_t value) {
    std::uint32_t reversed = 0;
    for (int bit = 0; bit < 32; ++bit) {
        reversed = (reversed << 1) | ((value >> bit) & 1U);
    }
    return reversed;
}

std::span<const std::uint8_t> Bytes(const char* text) {
    return {reinterpret_cast<const std::uint8_t*>(text), std::strlen(text)};
}

} // namespace

bool CommKeyMatches(std::uint32_t sentKey, std::uint32_t password, std::uint16_t sessionId) {
    std::uint8_t sent[4];
    PutU32(sent, sentKey);
    // The sender swapped the 16-bit halves of the masked key, then XORed bytes 0, 1 and 3 with
    // its tick and put the tick itself in byte 2: sent = {b2^t, b3^t, t, b1^t}.
    const std::uint8_t tick = sent[2];
    const std::uint8_t masked[4] = {0, static_cast<std::uint8_t>(sent[3] ^ tick),
                                    static_cast<std::uint8_t>(sent[0] ^ tick),
                                    static_cast<std::uint8_t>(sent[1] ^ tick)};
    const std::uint32_t key = ReverseBits(password) + sessionId;
    for (int i = 1; i < 4; ++i) {
        if ((masked[i] ^ kCommMask[i]) != static_cast<std::uint8_t>(key >> (8 * i))) {
            return false;
        }
    }
    return true;
}

void Responder::Reply(std::uint16_t code, std::span<const std::uint8_t> payload) {
    if (noteReply) {
        model_.Note("session 0x%04X: request %u number %u with %zu bytes, reply %u with %zu bytes",
                    session.id, request.header.code, request.header.number, request.payload.size(),
                    code, payload.size());
    }
    SendPacket(code, session.id, request.header.number, payload);
}

void Responder::SendEvent(const Event& event) {
    model_.AppendEvent(session, event, out_);
}

void Responder::SendPacket(std::uint16_t code, std::uint16_t sessionField, std::uint16_t number,
                           std::span<const std::uint8_t> payload) {
    out_.push_back({request.peer, MakePacket(code, sessionField, number, payload)});
}

void Responder::SendBytes(std::vector<std::uint8_t> packet) {
    out_.push_back({request.peer, std::move(packet)});
}

TerminalModel::TerminalModel(Settings settings)
    : settings_(settings),
      nextSessionId_(settings.firstSessionId != 0 ? settings.firstSessionId : 1) {}

void TerminalModel::SetCommand(std::uint16_t code, Command command) {
    commands_[code] = std::move(command);
}

const Command* TerminalModel::FindCommand(std::uint16_t code) const {
    const auto found = commands_.find(code);
    return found != commands_.end() ? &found->second : nullptr;
}

void TerminalModel::AddSampleCommands() {
    SetCommand(kCmdEcho, [](Responder& r) { r.Reply(REPLY_OK, r.request.payload); });
    SetCommand(kCmdInfo, [](Responder& r) { r.Reply(REPLY_OK, Bytes(kTerminalName)); });
}

const Session* TerminalModel::FindSession(std::uint16_t id) const {
    const auto found = sessions_.find(id);
    return found != sessions_.end() ? &found->second : nullptr;
}

int TerminalModel::Count(std::uint16_t code) const {
    int count = 0;
    for (const Received& r : received_) {
        count += r.header.code == code ? 1 : 0;
    }
    return count;
}

void TerminalModel::Receive(Peer peer, std::span<const std::uint8_t> datagram,
                            std::vector<Outgoing>& out) {
    Request request{peer, {}, {}};
    if (!ParsePacket(datagram, &request.header)) {
        ++dropped_;
        Note("dropped a packet of %zu bytes from port %u: %s", datagram.size(), peer,
             datagram.size() < kHeaderSize ? "shorter than its header" : "wrong checksum");
        return;
    }
    request.payload = datagram.subspan(kHeaderSize);
    received_.push_back({peer, request.header, datagram.size()});

    const Header& h = request.header;
    if (h.code == CMD_CONNECT) {
        Connect(request, out);
        return;
    }
    if (h.code == REPLY_OK) {
        Acknowledged(request, datagram);
        return;
    }
    const auto found = sessions_.find(h.session);
    if (found == sessions_.end() || found->second.disconnected) {
        Note("request %u for unknown session 0x%04X: REPLY_ERROR", h.code, h.session);
        out.push_back({peer, MakePacket(REPLY_ERROR, h.session, h.number)});
        return;
    }
    Session& session = found->second;
    Responder responder(*this, session, request, out);
    if (h.code == CMD_AUTHENTICATE) {
        Authenticate(responder);
        return;
    }
    if (h.code == CMD_DISCONNECT) {
        session.disconnected = true;
        Note("session 0x%04X: disconnected", session.id);
        responder.Reply(REPLY_OK);
        return;
    }
    if (settings_.requireAuthentication && !session.authenticated) {
        Note("session 0x%04X: request %u before authentication: REPLY_ERROR", session.id, h.code);
        responder.Reply(REPLY_ERROR);
        return;
    }
    const Command* command = FindCommand(h.code);
    if (command == nullptr) {
        Note("session 0x%04X: unknown request %u: REPLY_UNSUPPORTED", session.id, h.code);
        responder.Reply(REPLY_UNSUPPORTED);
        return;
    }
    responder.noteReply = true;
    (*command)(responder);
}

void TerminalModel::Connect(const Request& request, std::vector<Outgoing>& out) {
    const std::uint16_t id = nextSessionId_;
    nextSessionId_ = static_cast<std::uint16_t>(id + 1);
    if (nextSessionId_ == 0) {
        nextSessionId_ = 1;
    }
    Session& session = sessions_[id];
    session = Session{id, request.peer};
    const std::uint16_t code = settings_.requireAuthentication ? REPLY_AUTH_REQUIRED : REPLY_OK;
    Note("connect from port %u: session 0x%04X%s", request.peer, id,
         settings_.requireAuthentication ? ", authentication required" : "");
    Responder(*this, session, request, out).Reply(code);
}

void TerminalModel::Authenticate(Responder& r) {
    const std::span<const std::uint8_t> key = r.request.payload;
    const bool matches =
        key.size() == 4 && (!settings_.requireAuthentication ||
                            CommKeyMatches(GetU32(key.data()), settings_.password, r.session.id));
    r.session.authenticated = matches;
    Note("session 0x%04X: authentication with key %s %s", r.session.id, Hex(key).c_str(),
         matches ? "accepted" : "refused");
    r.Reply(matches ? REPLY_OK : REPLY_ERROR);
}

void TerminalModel::Acknowledged(const Request& request, std::span<const std::uint8_t> datagram) {
    Acknowledgement ack{request.header.session, request.header.number, {}};
    std::copy(datagram.begin(), datagram.begin() + kHeaderSize, ack.bytes.begin());
    acknowledgements_.push_back(ack);
    Note("session 0x%04X: event number %u acknowledged: %s", ack.session, ack.number,
         Hex(datagram).c_str());
}

bool TerminalModel::SendEvent(std::uint16_t session, const Event& event,
                              std::vector<Outgoing>& out) {
    const auto found = sessions_.find(session);
    if (found == sessions_.end() || found->second.disconnected) {
        return false;
    }
    AppendEvent(found->second, event, out);
    return true;
}

void TerminalModel::AppendEvent(Session& session, const Event& event, std::vector<Outgoing>& out) {
    std::uint16_t number = session.nextEventNumber;
    if (event.number) {
        number = *event.number;
    } else {
        session.nextEventNumber = static_cast<std::uint16_t>(number == 0xFFFF ? 1 : number + 1);
    }
    const std::vector<std::uint8_t> packet =
        MakePacket(EVENT_PACKET, event.id, number, event.payload);
    for (int i = 0; i < event.copies; ++i) {
        out.push_back({session.peer, packet});
    }
    Note("session 0x%04X: event %u number %u sent with %zu bytes%s", session.id, event.id, number,
         event.payload.size(), event.copies > 1 ? ", repeated" : "");
}

void TerminalModel::Note(const char* format, ...) {
    if (!log) {
        return;
    }
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    log(line);
}

} // namespace termsim
