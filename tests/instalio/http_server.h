// A small HTTP server for engine tests, inside the test program: it listens on 127.0.0.1 only,
// answers each request from a table of replies set by the test and keeps every request it saw.
// One request at a time; each connection carries one request.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace instalio::test {

struct HttpReply {
    enum class Kind {
        Full,   // status line, Content-Length and the whole body
        HangUp, // the connection is closed without any answer
        CutOff, // Content-Length of the whole body, but only half of it is sent
        // The connection is held open, nothing more sent, until the client gives up:
        Silent,       // after the request, nothing at all
        StallsInHead, // the status line and one header line
        StallsInBody, // the head (Content-Length of the whole body) and half of the body
    };
    int status = 200;
    std::string body;
    Kind kind = Kind::Full;
    int delayMs = 0; // how long the server waits before it answers
};

struct HttpRequest {
    int port = 0;
    std::string target; // the request line's target, exactly as it came
    bool operator==(const HttpRequest&) const = default;
};

class HttpServer {
public:
    // Listens on 127.0.0.1 at each port; a port that cannot be bound leaves listening() false.
    explicit HttpServer(const std::vector<int>& ports);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    bool listening() const { return listening_; }

    // The reply to a GET of `target` on `port`, matched as the server reads the request's target
    // (Decoded); anything not set gets 404 with an HTML page.
    void Serve(int port, const std::string& target, HttpReply reply);

    // The requests seen so far, in order.
    std::vector<HttpRequest> Requests();

    // A request target as a server reads it: every %XX replaced by its byte.
    static std::string Decoded(const std::string& target);

private:
    void Run();
    void Answer(std::uintptr_t connection, int port);

    std::vector<std::pair<std::uintptr_t, int>> listeners_; // socket, port
    bool listening_ = true;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::map<std::pair<int, std::string>, HttpReply> replies_;
    std::vector<HttpRequest> requests_;
    std::thread thread_;
};

// The port of a base URL such as "http://127.0.0.1:18081"; 0 when it names none.
int PortOf(const std::string& baseUrl);

} // namespace instalio::test
