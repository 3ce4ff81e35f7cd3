// The terminal's side of the packet protocol, without any I/O: packets from the library go in,
// the packets that the terminal sends back come out.
//
// CMD_CONNECT opens a session (answered REPLY_AUTH_REQUIRED when a password is set),
// CMD_AUTHENTICATE checks the scrambled password, CMD_DISCONNECT ends the session, and a
// REPLY_OK from the library acknowledges an event. Every other request is looked up in a table
// of commands. A command answers through a Responder, which can also send packets after the
// reply: events, and packets with header fields of their own (a series of numbered data
// packets, for instance). Replies carry the session id and the number of the request.
#pragma once

#include "terminal_wire.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace termsim {

// A peer of the terminal. The UDP server uses the library's port on 127.0.0.1.
using Peer = std::uint16_t;

struct Outgoing {
    Peer peer = 0;
    std::vector<std::uint8_t> bytes;
};

struct Session {
    std::uint16_t id = 0;
    Peer peer = 0;
    bool authenticated = false;
    bool disconnected = false;
    std::uint16_t nextEventNumber = 1;
};

// A verified request as it came in. The payload points into the received datagram.
struct Request {
    Peer peer = 0;
    Header header;
    std::span<const std::uint8_t> payload;
};

// An unsolicited event packet.
struct Event {
    std::uint16_t id = 0; // the event packet's session field: the event id of the callback
    std::vector<std::uint8_t> payload;
    std::optional<std::uint16_t> number; // default: the session's next event number
    int copies = 1; // more than 1 sends the same packet again, as after a lost acknowledgement
};

// What the terminal saw: every verified packet, and the acknowledgements of its events.
struct Received {
    Peer peer = 0;
    Header header;
    std::size_t length = 0;
};

struct Acknowledgement {
    std::uint16_t session = 0;
    std::uint16_t number = 0;
    std::array<std::uint8_t, kHeaderSize> bytes{};
};

class TerminalModel;

// The answer of a command: the reply, then any further packets, in the order of the calls.
class Responder {
public:
    Responder(TerminalModel& model, Session& session, const Request& request,
              std::vector<Outgoing>& out)
        : session(session), request(request), model_(model), out_(out) {}

    // The reply: the session field carries the session id, the number that of the request.
    void Reply(std::uint16_t code, std::span<const std::uint8_t> payload = {});
    // An event on this session.
    void SendEvent(const Event& event);
    // A packet to the requesting peer with header fields of its own.
    void SendPacket(std::uint16_t code, std::uint16_t sessionField, std::uint16_t number,
                    std::span<const std::uint8_t> payload);
    // A packet to the requesting peer exactly as given (a damaged one, for instance).
    void SendBytes(std::vector<std::uint8_t> packet);

    Session& session;
    const Request& request;
    bool noteReply = false; // log each reply with its request

private:
    TerminalModel& model_;
    std::vector<Outgoing>& out_;
};

using Command = std::function<void(Responder&)>;

struct Settings {
    bool requireAuthentication = false;
    std::uint32_t password = 0;       // the communication password when authentication is required
    std::uint16_t firstSessionId = 1; // session ids count up from here (0 is never given)
};

// Sample commands of the simulated terminal.
constexpr std::uint16_t kCmdEcho = 40; // REPLY_OK with the request's payload
constexpr std::uint16_t kCmdInfo = 41; // REPLY_OK with the terminal's name
constexpr const char* kTerminalName = "termsim attendance terminal";

class TerminalModel {
public:
    explicit TerminalModel(Settings settings = {});

    // Adds or replaces the command for a request code.
    void SetCommand(std::uint16_t code, Command command);
    const Command* FindCommand(std::uint16_t code) const;
    void AddSampleCommands();

    // Takes one datagram from a peer and appends what the terminal sends back.
    void Receive(Peer peer, std::span<const std::uint8_t> datagram, std::vector<Outgoing>& out);

    // Sends an event to the peer of a session. False when the session is unknown or ended.
    bool SendEvent(std::uint16_t session, const Event& event, std::vector<Outgoing>& out);

    const Settings& settings() const { return settings_; }
    const Session* FindSession(std::uint16_t id) const;
    const std::map<std::uint16_t, Session>& sessions() const { return sessions_; }
    const std::vector<Received>& received() const { return received_; }
    const std::vector<Acknowledgement>& acknowledgements() const { return acknowledgements_; }
    int dropped() const { return dropped_; }
    int Count(std::uint16_t code) const; // received packets with this code

    // Called with one line for each thing the terminal does (connects, commands, events, ...).
    std::function<void(const std::string&)> log;

private:
    friend class Responder;

    void Connect(const Request& request, std::vector<Outgoing>& out);
    void Authenticate(Responder& r);
    void Acknowledged(const Request& request, std::span<const std::uint8_t> datagram);
    void AppendEvent(Session& session, const Event& event, std::vector<Outgoing>& out);
    void Note(const char* format, ...);

    Settings settings_;
    std::map<std::uint16_t, Command> commands_;
    std::map<std::uint16_t, Session> sessions_;
    std::uint16_t nextSessionId_;
    std::vector<Received> received_;
    std::vector<Acknowledgement> acknowledgements_;
    int dropped_ = 0;
};

// The terminal's check of a scrambled communication password: the library's scramble undone
// with the mask bytes of the build. The sender's tick replaces one byte of the masked key, so
// the other three are compared.
bool CommKeyMatches(std::uint32_t sentKey, std::uint32_t password, std::uint16_t sessionId);

} // namespace termsim
