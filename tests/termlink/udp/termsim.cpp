// termsim: a simulated attendance terminal on a UDP port of 127.0.0.1, for the demo and for
// trying termlink by hand. It logs what it does on standard output until it is stopped
// (Ctrl+C or SIGTERM).
#include "terminal_bulk.h"
#include "terminal_server.h"
#include "termlink.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

const char kUsage[] =
    "usage: termsim [options]   (termsim --help: this text)\n"
    "  --port N          UDP port on 127.0.0.1 (default 0: any free port)\n"
    "  --port-file FILE  write the port number to FILE once listening\n"
    "  --password N      require authentication with this communication password\n"
    "  --session-id N    first session id to give out (default 1)\n"
    "  --event-after C   send an event after replying to command C\n"
    "  --event-id N      id of that event (default 7)\n"
    "  --event-data TEXT payload of that event (default \"badge 0042 in\")\n"
    "  --event-copies N  send that event N times with the same number (default 1)\n"
    "Bulk transfers:\n"
    "  --result FILE          serve FILE as the result of the result command (default: a\n"
    "                         sample text of 20000 bytes)\n"
    "  --result-command C     code of the result command (default 9); its result goes out as\n"
    "                         an announcement and data packets, or through a prepared buffer\n"
    "  --database N=FILE      serve FILE as database N (command 7 with the parameter byte N);\n"
    "                         may be given more than once\n"
    "  --packet-size N        payload bytes per data packet (default 1024, at most 1024 for\n"
    "                         the UDP transport)\n"
    "  --compress on|off      prepared buffers LZO1X-1 compressed (default off)\n"
    "  --buffers on|off       off answers buffer requests REPLY_UNSUPPORTED, so that the\n"
    "                         library falls back to multi-packet reads (default on)\n"
    "  --hash correct|wrong|unsupported\n"
    "                         the answer to the hash of a data block (default correct)\n"
    "  --misbehave LIST       damage the data packets of results and buffer blocks; LIST is\n"
    "                         comma-separated: reorder (pairs swapped), gaps (every third\n"
    "                         packet left out), duplicate (first and last packets twice),\n"
    "                         corrupt (one packet with a bad checksum), none\n"
    "  --misbehave-answers N  how many answers to each request are damaged; when the library\n"
    "                         asks again after those, it gets every packet intact (default 1)\n"
    "Commands: 40 echoes its payload, 41 answers with the terminal's name, 42 keeps the data\n"
    "block just sent; data blocks, their hash, buffers and their release are always served.\n";

termsim::TerminalServer* g_server = nullptr;

extern "C" void OnSignal(int) {
    if (g_server != nullptr) {
        g_server->RequestStop();
    }
}

bool ParseNumber(const char* text, long long low, long long high, long long* value) {
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 0);
    if (end == text || *end != '\0' || v < low || v > high) {
        return false;
    }
    *value = v;
    return true;
}

struct Options {
    long long port = 0;
    std::string portFile;
    bool requireAuthentication = false;
    long long password = 0;
    long long sessionId = 1;
    long long eventAfter = -1;
    long long eventId = 7;
    std::string eventData = "badge 0042 in";
    long long eventCopies = 1;

    std::string resultFile;
    long long resultCommand = 9;
    std::vector<std::pair<long long, std::string>> databases;
    termsim::BulkSettings bulk;
};

bool ParseSwitch(const char* text, bool* value) {
    if (std::strcmp(text, "on") == 0 || std::strcmp(text, "off") == 0) {
        *value = text[1] == 'n';
        return true;
    }
    return false;
}

bool ParseHash(const char* text, termsim::HashAnswer* hash) {
    const std::pair<const char*, termsim::HashAnswer> names[] = {
        {"correct", termsim::HashAnswer::Correct},
        {"wrong", termsim::HashAnswer::Wrong},
        {"unsupported", termsim::HashAnswer::Unsupported}};
    for (const auto& [name, answer] : names) {
        if (std::strcmp(text, name) == 0) {
            *hash = answer;
            return true;
        }
    }
    return false;
}

bool ParseMisbehaviour(const std::string& list, termsim::Misbehaviour* m) {
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(',', start), list.size());
        const std::string word = list.substr(start, end - start);
        if (word == "none") {
        } else if (word == "reorder") {
            m->reorder = true;
        } else if (word == "gaps") {
            m->gaps = true;
        } else if (word == "duplicate") {
            m->duplicate = true;
        } else if (word == "corrupt") {
            m->corrupt = true;
        } else {
            return false;
        }
        start = end + 1;
    }
    return true;
}

// "N=FILE": a database number and the file that holds it.
bool ParseDatabase(const std::string& text,
                   std::vector<std::pair<long long, std::string>>* databases) {
    const std::size_t equals = text.find('=');
    long long number = 0;
    if (equals == std::string::npos || equals + 1 == text.size() ||
        !ParseNumber(text.substr(0, equals).c_str(), 0, 255, &number)) {
        return false;
    }
    databases->emplace_back(number, text.substr(equals + 1));
    return true;
}

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
            ok = ParseNumber(value, -2147483647LL - 1, 4294967295LL, &o->password);
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
        } else if (std::strcmp(name, "--result") == 0) {
            o->resultFile = value;
        } else if (std::strcmp(name, "--result-command") == 0) {
            ok = ParseNumber(value, 0, 65535, &o->resultCommand);
        } else if (std::strcmp(name, "--database") == 0) {
            ok = ParseDatabase(value, &o->databases);
        } else if (std::strcmp(name, "--packet-size") == 0) {
            long long size = 0;
            ok = ParseNumber(value, 1, 65528, &size);
            o->bulk.packetSize = static_cast<std::uint32_t>(size);
        } else if (std::strcmp(name, "--compress") == 0) {
            ok = ParseSwitch(value, &o->bulk.compress);
        } else if (std::strcmp(name, "--buffers") == 0) {
            ok = ParseSwitch(value, &o->bulk.buffers);
        } else if (std::strcmp(name, "--hash") == 0) {
            ok = ParseHash(value, &o->bulk.hash);
        } else if (std::strcmp(name, "--misbehave") == 0) {
            ok = ParseMisbehaviour(value, &o->bulk.misbehaviour);
        } else if (std::strcmp(name, "--misbehave-answers") == 0) {
            long long answers = 0;
            ok = ParseNumber(value, 0, 1000, &answers);
            o->bulk.misbehaviour.answers = static_cast<int>(answers);
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

bool ReadFile(const std::string& path, termsim::Bytes* bytes) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    bytes->clear();
    char block[65536];
    std::size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0) {
        bytes->insert(bytes->end(), block, block + n);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

// Lines of text, so that a reader can see where each part of the result landed.
termsim::Bytes SampleResult() {
    std::string text;
    for (int line = 1; text.size() < 20000; ++line) {
        char row[64];
        std::snprintf(row, sizeof row, "record %05d badge %04d in  08:%02d\n", line,
                      (line * 37) % 10000, line % 60);
        text += row;
    }
    text.resize(20000);
    return {text.begin(), text.end()};
}

// The bulk transfers with the results and databases of the command line.
bool AddBulk(termsim::TerminalModel& model, const Options& o) {
    const auto bulk = termsim::BulkTerminal::AddTo(model, o.bulk);
    termsim::Bytes result = SampleResult();
    if (!o.resultFile.empty() && !ReadFile(o.resultFile, &result)) {
        std::fprintf(stderr, "termsim: cannot read %s\n", o.resultFile.c_str());
        return false;
    }
    bulk->SetResult(model, static_cast<std::uint16_t>(o.resultCommand), std::move(result));
    for (const auto& [number, path] : o.databases) {
        termsim::Bytes data;
        if (!ReadFile(path, &data)) {
            std::fprintf(stderr, "termsim: cannot read %s\n", path.c_str());
            return false;
        }
        bulk->SetDatabase(model, static_cast<std::uint8_t>(number), std::move(data));
    }
    return true;
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
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!ParseOptions(argc, argv, &o)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    termsim::Settings settings;
    settings.requireAuthentication = o.requireAuthentication;
    settings.password = static_cast<std::uint32_t>(o.password);
    settings.firstSessionId = static_cast<std::uint16_t>(o.sessionId);

    termsim::TerminalServer server(settings);
    const bool loaded = server.With([&](termsim::TerminalModel& model) {
        model.AddSampleCommands();
        if (!AddBulk(model, o)) {
            return false;
        }
        if (o.eventAfter >= 0) {
            AddEventAfter(model, o);
        }
        model.log = [](const std::string& line) {
            std::printf("termsim: %s\n", line.c_str());
            std::fflush(stdout);
        };
        return true;
    });
    if (!loaded) {
        return 1;
    }
    if (!server.Open(static_cast<std::uint16_t>(o.port))) {
        std::fprintf(stderr, "termsim: cannot listen on 127.0.0.1:%lld\n", o.port);
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
