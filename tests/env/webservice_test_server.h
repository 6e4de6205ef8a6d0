// A small HTTP server on the loopback interface for the web-service tests. It serves one
// connection at a time in its own thread with the answer the test's handler gives, and
// stops by itself after its lifetime even when nobody stops it.
#pragma once

#include <arpa/inet.h>
#include <atomic>
#include <cctype>
#include <chrono>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace webtest {

using namespace std::chrono_literals;

struct HttpRequest {
    std::string head; // request line and headers
    std::string body;

    // The value of a header, its name compared without regard to case.
    std::optional<std::string> Header(std::string_view name) const {
        std::size_t at = head.find("\r\n");
        while (at != std::string::npos && at + 2 < head.size()) {
            const std::size_t end = head.find("\r\n", at + 2);
            const std::string line = head.substr(at + 2, end - at - 2);
            const std::size_t colon = line.find(':');
            if (colon == name.size() && SameText(line.substr(0, colon), name)) {
                const std::size_t value = line.find_first_not_of(' ', colon + 1);
                return value == std::string::npos ? "" : line.substr(value);
            }
            at = end;
        }
        return std::nullopt;
    }

    static bool SameText(std::string_view a, std::string_view b) {
        if (a.size() != b.size()) {
            return false;
        }
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (std::tolower(static_cast<unsigned char>(a[i])) !=
                std::tolower(static_cast<unsigned char>(b[i]))) {
                return false;
            }
        }
        return true;
    }
};

// A complete HTTP response with the given status line tail ("200 OK") and body.
inline std::string HttpResponse(const std::string& status, const std::string& body) {
    return "HTTP/1.1 " + status + "\r\nContent-Type: text/xml; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

// A port on loopback on which nothing listens.
inline int UnusedLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        throw std::runtime_error("no free loopback port");
    }
    close(fd);
    return ntohs(address.sin_port);
}

class LoopbackHttpServer {
public:
    // The raw response to send, or nothing to keep the connection open without answering.
    using Handler = std::function<std::optional<std::string>(const HttpRequest&)>;

    explicit LoopbackHttpServer(Handler handler, std::chrono::milliseconds lifetime = 20s)
        : handler_(std::move(handler)), deadline_(std::chrono::steady_clock::now() + lifetime) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener_ < 0 ||
            bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(listener_, 8) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            if (listener_ >= 0) {
                close(listener_);
            }
            throw std::runtime_error("cannot listen on loopback");
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Run(); });
    }

    ~LoopbackHttpServer() {
        stop_ = true;
        thread_.join();
        close(listener_);
    }

    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    std::string Url(const std::string& path = "/service") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

    std::vector<HttpRequest> Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    static constexpr int PollStepMs = 20;

    bool Running() const { return !stop_ && std::chrono::steady_clock::now() < deadline_; }

    // Waits until fd is readable; false when the server is to stop first.
    bool WaitReadable(int fd) const {
        while (Running()) {
            pollfd entry{fd, POLLIN, 0};
            if (poll(&entry, 1, PollStepMs) > 0) {
                return true;
            }
        }
        return false;
    }

    bool ReadRequest(int fd, HttpRequest& request) const {
        std::string data;
        std::size_t headEnd = std::string::npos;
        std::size_t bodyLength = 0;
        char buffer[4096];
        while (headEnd == std::string::npos || data.size() < headEnd + 4 + bodyLength) {
            if (!WaitReadable(fd)) {
                return false;
            }
            const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0) {
                return false;
            }
            data.append(buffer, static_cast<std::size_t>(got));
            if (headEnd == std::string::npos && (headEnd = data.find("\r\n\r\n")) != data.npos) {
                request.head = data.substr(0, headEnd + 2);
                const auto length = request.Header("Content-Length");
                bodyLength = length ? std::stoul(*length) : 0;
            }
        }
        request.body = data.substr(headEnd + 4, bodyLength);
        return true;
    }

    void Serve(int connection, std::vector<int>& silent) {
        HttpRequest request;
        if (!ReadRequest(connection, request)) {
            close(connection);
            return;
        }
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        const std::optional<std::string> response = handler_(request);
        if (!response) {
            silent.push_back(connection);
            return;
        }
        for (std::size_t sent = 0; sent < response->size();) {
            const ssize_t n =
                send(connection, response->data() + sent, response->size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                break;
            }
            sent += static_cast<std::size_t>(n);
        }
        close(connection);
    }

    void Run() {
        std::vector<int> silent; // connections held open without an answer
        while (WaitReadable(listener_)) {
            const int connection = accept(listener_, nullptr, nullptr);
            if (connection >= 0) {
                Serve(connection, silent);
            }
        }
        for (const int connection : silent) {
            close(connection);
        }
    }

    Handler handler_;
    std::chrono::steady_clock::time_point deadline_;
    std::atomic<bool> stop_{false};
    int listener_ = -1;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::vector<HttpRequest> requests_;
    std::thread thread_;
};

} // namespace webtest
