#pragma once
// A scripted HTTP server on 127.0.0.1 for the page-fetch tests: a thread accepts connections,
// reads each request head, records it and hands the socket to the answer the test set.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qv::testing {

class LocalHttpServer {
  public:
    // Writes the reply on the client socket; the server closes it afterwards.
    using Answer = std::function<void(SOCKET client, const std::string& request)>;

    LocalHttpServer() {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        listener_ = started_ ? socket(AF_INET, SOCK_STREAM, IPPROTO_TCP) : INVALID_SOCKET;
        if (listener_ == INVALID_SOCKET) {
            return;
        }
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener_, 8) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            closesocket(listener_);
            listener_ = INVALID_SOCKET;
            return;
        }
        port_ = ntohs(address.sin_port);
        acceptor_ = std::thread([this] { AcceptLoop(); });
    }

    ~LocalHttpServer() {
        stopping_ = true;
        if (acceptor_.joinable()) {
            acceptor_.join();
        }
        if (listener_ != INVALID_SOCKET) {
            closesocket(listener_);
        }
        for (auto& worker : workers_) {
            worker.join();
        }
        if (started_) {
            WSACleanup();
        }
    }

    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    bool Listening() const { return port_ != 0; }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    void SetAnswer(Answer answer) {
        std::lock_guard<std::mutex> lock(mutex_);
        answer_ = std::move(answer);
    }

    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

    static void Send(SOCKET client, const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const int n =
                send(client, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
            if (n <= 0) {
                return;
            }
            sent += static_cast<std::size_t>(n);
        }
    }

    // The whole request: the head already read, then the body as its Content-Length tells.
    static std::string WithBody(SOCKET client, const std::string& head) {
        std::string request = head;
        const std::size_t end = request.find("\r\n\r\n");
        std::string lower = request.substr(0, end);
        for (char& c : lower) {
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        const std::size_t at = lower.find("content-length:");
        if (end == std::string::npos || at == std::string::npos) {
            return request;
        }
        const std::size_t want = end + 4 + std::stoul(request.substr(at + 15));
        char buffer[1024];
        while (request.size() < want) {
            const int n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            request.append(buffer, static_cast<std::size_t>(n));
        }
        return request;
    }
    static std::string BodyOf(const std::string& request) {
        const std::size_t end = request.find("\r\n\r\n");
        return end == std::string::npos ? std::string() : request.substr(end + 4);
    }

    // A reply with an optional Content-Length (negative: no such header).
    static std::string Reply(const std::string& status, const std::string& body,
                             long long contentLength) {
        std::string head = "HTTP/1.0 " + status + "\r\nConnection: close\r\n";
        if (contentLength >= 0) {
            head += "Content-Length: " + std::to_string(contentLength) + "\r\n";
        }
        return head + "\r\n" + body;
    }

    // Keeps a connection open and silent until the server ends: a server that never answers.
    void HoldUntilStopped() const {
        while (!stopping_) {
            Sleep(50);
        }
    }

    // Answers every request with the same bytes.
    static Answer Always(std::string reply) {
        return
            [reply = std::move(reply)](SOCKET client, const std::string&) { Send(client, reply); };
    }

  private:
    void AcceptLoop() {
        while (!stopping_) {
            // Polls so that the destructor can stop the loop without closing under accept.
            if (!Readable(listener_, 100)) {
                continue;
            }
            const SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) {
                continue;
            }
            std::lock_guard<std::mutex> lock(mutex_);
            workers_.emplace_back([this, client] { Serve(client); });
        }
    }

    void Serve(SOCKET client) {
        // Bounded waits: a client that stops talking must not hang the test.
        const DWORD timeoutMs = 5000;
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs),
                   sizeof timeoutMs);
        const std::string request = ReadHead(client);
        Answer answer;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
            answer = answer_;
        }
        if (answer) {
            answer(client, request);
        }
        // Close gracefully: unread bytes at close would reset the connection and could cost
        // the client data it has not read yet.
        shutdown(client, SD_SEND);
        const DWORD start = GetTickCount();
        char drain[512];
        while (GetTickCount() - start < 2000 && Readable(client, 100)) {
            if (recv(client, drain, sizeof drain, 0) <= 0) {
                break;
            }
        }
        closesocket(client);
    }

    static bool Readable(SOCKET socket, long milliseconds) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(socket, &ready);
        timeval wait = {0, milliseconds * 1000};
        return select(0, &ready, nullptr, nullptr, &wait) > 0;
    }

    // The request head, or whatever came first when it is not plain HTTP (a TLS hello).
    static std::string ReadHead(SOCKET client) {
        std::string head;
        char buffer[1024];
        while (head.find("\r\n\r\n") == std::string::npos) {
            const int n = recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            head.append(buffer, static_cast<std::size_t>(n));
            if (!(head[0] >= 'A' && head[0] <= 'Z')) {
                break;
            }
        }
        return head;
    }

    std::atomic<bool> stopping_ = false;
    bool started_ = false;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::thread acceptor_;
    std::mutex mutex_;
    Answer answer_;
    std::vector<std::string> requests_;
    std::vector<std::thread> workers_;
};

}  // namespace qv::testing
