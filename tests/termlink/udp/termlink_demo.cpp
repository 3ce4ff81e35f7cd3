// termlink_demo: one session with a terminal through termlink and the UDP transport, step by
// step: open, authenticate, one command with its reply, one event delivered to the callback,
// close. Meant to run against termsim started with --password and --event-after 41.
// Exits with 1 when a step fails.
#include "terminal_model.h"
#include "termlink.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace {

constexpr int kCallbackValue = 99;
constexpr int kConnectTimeoutMs = 2000;
constexpr int kCommandTimeoutMs = 2000;
constexpr int kEventWaitMs = 5000;

struct ReceivedEvent {
    std::mutex mutex;
    std::condition_variable arrived;
    bool seen = false;
    int value = 0;
    int id = 0;
    std::string payload;
};

ReceivedEvent g_event;

int TERMLINK_CALL OnEvent(int callbackValue, int eventId, int length,
                          const unsigned char* payload) {
    {
        std::lock_guard<std::mutex> lock(g_event.mutex);
        if (!g_event.seen) {
            g_event.seen = true;
            g_event.value = callbackValue;
            g_event.id = eventId;
            g_event.payload.assign(reinterpret_cast<const char*>(payload),
                                   static_cast<std::size_t>(length > 0 ? length : 0));
        }
    }
    g_event.arrived.notify_all();
    return 0;
}

const char* LastErrorText(int value) {
    switch (value) {
    case TERMPRO_INIT_OK:
        return "opened";
    case TERMPRO_INIT_NO_ENTRY:
        return "the transport lacks a required entry";
    case TERMPRO_INIT_TRANSPORT:
        return "the transport did not open";
    case TERMPRO_INIT_EVENTS:
        return "no events or buffer";
    case TERMPRO_INIT_THREAD:
        return "no reader thread";
    case TERMPRO_INIT_AUTHENTICATION:
        return "authentication refused";
    case TERMPRO_INIT_CONNECT:
        return "no connect reply";
    default:
        return "unknown";
    }
}

int Fail(const char* step, const char* what) {
    std::printf("%-13s FAILED: %s\n", step, what);
    return 1;
}

struct Options {
    int port = 0;
    std::string transport = UDPTRANSPORT_FILE;
    int password = 1234;
    int wrongPassword = 4321;
};

bool ParseOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--port") == 0) {
            o->port = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--transport") == 0) {
            o->transport = argv[i + 1];
        } else if (std::strcmp(argv[i], "--password") == 0) {
            o->password = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--wrong-password") == 0) {
            o->wrongPassword = std::atoi(argv[i + 1]);
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && o->port > 0 && o->port < 65536;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, &o)) {
        std::fputs("usage: termlink_demo --port N [--transport FILE] [--password N] "
                   "[--wrong-password N]\n",
                   stderr);
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    std::printf("%-13s TERMPRO_INIT through %s to the terminal on 127.0.0.1:%d, with an event "
                "callback\n",
                "open:", o.transport.c_str(), o.port);
    TermConnection* c = TERMPRO_INIT(o.transport.c_str(), o.port, 0, 0, OnEvent, kCallbackValue,
                                     o.wrongPassword, kConnectTimeoutMs);
    int error = TERMPRO_LASTERROR();
    std::printf("%-13s wrong password %d: %s (TERMPRO_LASTERROR %d)\n",
                "authenticate:", o.wrongPassword, c == nullptr ? LastErrorText(error) : "accepted",
                error);
    if (c != nullptr || error != TERMPRO_INIT_AUTHENTICATION) {
        if (c != nullptr) {
            TERMPRO_CLOSE(c);
        }
        return Fail("authenticate:", "the wrong password was not refused");
    }
    c = TERMPRO_INIT(o.transport.c_str(), o.port, 0, 0, OnEvent, kCallbackValue, o.password,
                     kConnectTimeoutMs);
    error = TERMPRO_LASTERROR();
    std::printf("%-13s password %d: %s (TERMPRO_LASTERROR %d)\n", "authenticate:", o.password,
                c != nullptr ? "accepted, connection open" : LastErrorText(error), error);
    if (c == nullptr) {
        return Fail("open:", "no connection");
    }

    char reply[64] = {};
    std::uint16_t code = termsim::kCmdInfo;
    const int session = TERMPRO_SENDCMD(c, &code, reply, sizeof reply - 1, 0, kCommandTimeoutMs);
    std::printf("%-13s TERMPRO_SENDCMD %u (terminal info): reply %u%s, session 0x%04X, \"%s\"\n",
                "command:", termsim::kCmdInfo, code, code == REPLY_OK ? " REPLY_OK" : "", session,
                reply);
    if (code != REPLY_OK || std::strcmp(reply, termsim::kTerminalName) != 0) {
        TERMPRO_CLOSE(c);
        return Fail("command:", "no good reply");
    }

    {
        std::unique_lock<std::mutex> lock(g_event.mutex);
        g_event.arrived.wait_for(lock, std::chrono::milliseconds(kEventWaitMs),
                                 [] { return g_event.seen; });
        if (!g_event.seen) {
            lock.unlock();
            TERMPRO_CLOSE(c);
            return Fail("event:", "no event reached the callback");
        }
        std::printf("%-13s callback(value %d, event %d, %zu bytes \"%s\") on the reader thread\n",
                    "event:", g_event.value, g_event.id, g_event.payload.size(),
                    g_event.payload.c_str());
    }

    TERMPRO_CLOSE(c);
    std::printf("%-13s TERMPRO_CLOSE: session ended, reader stopped, transport closed\n", "close:");
    return 0;
}
