#include "http_server.h"

#include <cctype>
#include <cstdlib>

#include <winsock2.h>
#include <ws2tcpip.h>

namespace instalio::test {

namespace {

constexpr std::size_t kMaxRequestBytes = 16384;

void SendAll(SOCKET socket, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        int sent = send(socket, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
        if (sent <= 0) {
            return;
        }
        done += static_cast<std::size_t>(sent);
    }
}

// The request head, up to the blank line; empty when the client sent none in time.
std::string ReadHead(SOCKET socket) {
    DWORD timeout = 5000;
    setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof timeout);
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxRequestBytes) {
        int got = recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return {};
        }
        head.append(buffer, static_cast<std::size_t>(got));
    }
    return head;
}

// "GET <target> HTTP/1.1": the target is everything between the first blank and the last one,
// so that a blank inside it stays.
std::string TargetOf(const std::string& head) {
    std::string line = head.substr(0, head.find("\r\n"));
    std::size_t first = line.find(' ');
    std::size_t last = line.rfind(' ');
    if (first == std::string::npos || last <= first) {
        return {};
    }
    return line.substr(first + 1, last - first - 1);
}

// Sends nothing more and keeps the connection until the client closes it (or a minute and a
// half has passed, or the server stops).
void HoldUntilClosed(SOCKET socket, const std::atomic<bool>& stop) {
    const ULONGLONG until = GetTickCount64() + 90000;
    while (!stop && GetTickCount64() < until) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket, &readable);
        timeval wait{0, 100000};
        if (select(0, &readable, nullptr, nullptr, &wait) > 0) {
            char buffer[256];
            if (recv(socket, buffer, sizeof buffer, 0) <= 0) {
                return;
            }
        }
    }
}

std::string Reason(int status) {
    return status == 200 ? "OK" : status == 404 ? "Not Found" : "Error";
}

} // namespace

HttpServer::HttpServer(const std::vector<int>& ports) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    for (int port : ports) {
        SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        BOOL reuse = TRUE;
        setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
                   sizeof reuse);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<u_short>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (listener == INVALID_SOCKET ||
            bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener, 8) != 0) {
            listening_ = false;
        }
        if (listener != INVALID_SOCKET) {
            listeners_.emplace_back(listener, port);
        }
    }
    thread_ = std::thread([this] { Run(); });
}

HttpServer::~HttpServer() {
    stop_ = true;
    thread_.join();
    for (auto [listener, port] : listeners_) {
        closesocket(listener);
    }
    WSACleanup();
}

void HttpServer::Serve(int port, const std::string& target, HttpReply reply) {
    std::lock_guard<std::mutex> lock(mutex_);
    replies_[{port, target}] = std::move(reply);
}

std::vector<HttpRequest> HttpServer::Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void HttpServer::Run() {
    while (!stop_) {
        fd_set ready;
        FD_ZERO(&ready);
        for (auto [listener, port] : listeners_) {
            FD_SET(listener, &ready);
        }
        timeval wait{0, 20000};
        if (select(0, &ready, nullptr, nullptr, &wait) <= 0) {
            continue;
        }
        for (auto [listener, port] : listeners_) {
            if (FD_ISSET(listener, &ready)) {
                SOCKET connection = accept(listener, nullptr, nullptr);
                if (connection != INVALID_SOCKET) {
                    Answer(connection, port);
                    closesocket(connection);
                }
            }
        }
    }
}

void HttpServer::Answer(std::uintptr_t connection, int port) {
    std::string head = ReadHead(connection);
    if (head.empty()) {
        return;
    }
    HttpReply reply{404, "<html><body><h1>404 Not Found</h1></body></html>"};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::string target = TargetOf(head);
        requests_.push_back({port, target});
        auto found = replies_.find({port, Decoded(target)});
        if (found != replies_.end()) {
            reply = found->second;
        }
    }
    if (reply.delayMs > 0) {
        Sleep(static_cast<DWORD>(reply.delayMs));
    }
    using Kind = HttpReply::Kind;
    if (reply.kind == Kind::HangUp) {
        return;
    }
    const std::string statusLine =
        "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) + "\r\n";
    const std::string replyHead =
        statusLine + "Content-Type: application/octet-stream\r\nContent-Length: " +
        std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n";
    const std::string half = reply.body.substr(0, reply.body.size() / 2);
    switch (reply.kind) {
    case Kind::Silent:
        HoldUntilClosed(connection, stop_);
        return;
    case Kind::StallsInHead:
        SendAll(connection, statusLine + "Content-Type: application/octet-stream\r\n");
        HoldUntilClosed(connection, stop_);
        return;
    case Kind::StallsInBody:
        SendAll(connection, replyHead + half);
        HoldUntilClosed(connection, stop_);
        return;
    case Kind::CutOff:
        SendAll(connection, replyHead + half);
        break;
    default:
        SendAll(connection, replyHead + reply.body);
        break;
    }
    shutdown(connection, SD_SEND);
}

std::string HttpServer::Decoded(const std::string& target) {
    std::string text;
    for (std::size_t i = 0; i < target.size(); ++i) {
        if (target[i] == '%' && i + 2 < target.size() && std::isxdigit(target[i + 1]) != 0 &&
            std::isxdigit(target[i + 2]) != 0) {
            text += static_cast<char>(std::stoi(target.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            text += target[i];
        }
    }
    return text;
}

int PortOf(const std::string& baseUrl) {
    std::size_t colon = baseUrl.rfind(':');
    if (colon == std::string::npos || colon + 1 >= baseUrl.size()) {
        return 0;
    }
    return std::atoi(baseUrl.c_str() + colon + 1);
}

} // namespace instalio::test
