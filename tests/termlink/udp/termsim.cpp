// termsim: a simulated attendance terminal on a UDP port of 127.0.0.1, for the demo and for
// trying termlink by hand. It logs what it does on standard output until it is stopped
// (Ctrl+C or SIGTERM).
#include "terminal_server.h"
#include "termlink.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char kUsage[] =
    "usage: termsim [options]\n"
    "  --port N          UDP port on 127.0.0.1 (default 0: any free port)\n"
    "  --port-file FILE  write the port number to FILE once listening\n"
    "  --password N      require authentication with this communication password\n"
    "  --session-id N    first session id to give out (default 1)\n"
    "  --event-after C   send an event after replying to command C\n"
    "  --event-id N      id of that event (default 7)\n"
    "  --event-data TEXT payload of that event (default \"badge 0042 in\")\n"
    "  --event-copies N  send that event N times with the same number (default 1)\n"
    "Commands: 40 echoes its payload, 41 answers with the terminal's name.\n";

termsim::TerminalServer* g_server = nullptr;

extern "C" void OnSignal(int) {
    if (g_server != nullptr) {
        g_server->RequestStop();
    }
}

bool ParseNumber(const char* text, long low, long high, long* value) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 0);
    if (end == text || *end != '\0' || v < low || v > high) {
        return false;
    }
    *value = v;
    return true;
}

struct Options {
    long port = 0;
    std::string portFile;
    bool requireAuthentication = false;
    long password = 0;
    long sessionId = 1;
    long eventAfter = -1;
    long eventId = 7;
    std::string eventData = "badge 0042 in";
    long eventCopies = 1;
};

bool ParseOptions(int argc, char** argv, Options* o) {
    for (int i = 1; i < argc; ++i) {
        const char* name = argv[i];
        if (i + 1 >= argc) {
            return false;
        }
        const char* value = argv[++i];
        bool ok = true;
        if (std::strcmp(name, "--port") == 0) {
            ok = ParseNumber(value, 0, 65535, &o->port);
        } else if (std::strcmp(name, "--port-file") == 0) {
            o->portFile = value;
        } else if (std::strcmp(name, "--password") == 0) {
            o->requireAuthentication = true;
            ok = ParseNumber(value, -2147483647L - 1, 4294967295L, &o->password);
        } else if (std::strcmp(name, "--session-id") == 0) {
            ok = ParseNumber(value, 1, 65535, &o->sessionId);
        } else if (std::strcmp(name, "--event-after") == 0) {
            ok = ParseNumber(value, 0, 65535, &o->eventAfter);
        } else if (std::strcmp(name, "--event-id") == 0) {
            ok = ParseNumber(value, 0, 65535, &o->eventId);
        } else if (std::strcmp(name, "--event-data") == 0) {
            o->eventData = value;
        } else if (std::strcmp(name, "--event-copies") == 0) {
            ok = ParseNumber(value, 1, 100, &o->eventCopies);
        } else {
            ok = false;
        }
        if (!ok) {
            return false;
        }
    }
    return true;
}

// Written under a temporary name first, so that a reader never sees half a number.
bool WritePortFile(const std::string& path, std::uint16_t port) {
    const std::string temporary = path + ".tmp";
    FILE* file = std::fopen(temporary.c_str(), "w");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fprintf(file, "%u\n", port) > 0;
    if (std::fclose(file) != 0 || !written) {
        return false;
    }
    std::remove(path.c_str());
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

// Wraps the command's own answer with an event sent after its reply.
void AddEventAfter(termsim::TerminalModel& model, const Options& o) {
    termsim::Event event;
    event.id = static_cast<std::uint16_t>(o.eventId);
    event.payload.assign(o.eventData.begin(), o.eventData.end());
    event.copies = static_cast<int>(o.eventCopies);
    const auto code = static_cast<std::uint16_t>(o.eventAfter);
    const termsim::Command* found = model.FindCommand(code);
    termsim::Command inner =
        found != nullptr ? *found : [](termsim::Responder& r) { r.Reply(REPLY_OK); };
    model.SetCommand(code, [inner, event](termsim::Responder& r) {
        inner(r);
        r.SendEvent(event);
    });
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseOptions(argc, argv, &o)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    termsim::Settings settings;
    settings.requireAuthentication = o.requireAuthentication;
    settings.password = static_cast<std::uint32_t>(o.password);
    settings.firstSessionId = static_cast<std::uint16_t>(o.sessionId);

    termsim::TerminalServer server(settings);
    server.With([&](termsim::TerminalModel& model) {
        model.AddSampleCommands();
        if (o.eventAfter >= 0) {
            AddEventAfter(model, o);
        }
        model.log = [](const std::string& line) {
            std::printf("termsim: %s\n", line.c_str());
            std::fflush(stdout);
        };
    });
    if (!server.Open(static_cast<std::uint16_t>(o.port))) {
        std::fprintf(stderr, "termsim: cannot listen on 127.0.0.1:%ld\n", o.port);
        return 1;
    }
    std::printf("termsim: listening on 127.0.0.1:%u%s\n", server.port(),
                o.requireAuthentication ? ", authentication required" : "");
    std::fflush(stdout);
    if (!o.portFile.empty() && !WritePortFile(o.portFile, server.port())) {
        std::fprintf(stderr, "termsim: cannot write %s\n", o.portFile.c_str());
        return 1;
    }
    g_server = &server;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    server.Serve();
    g_server = nullptr;
    std::printf("termsim: stopped\n");
    return 0;
}
