// HTTP spoken byte for byte over a TCP socket from a chosen loopback address: what a hostile
// client or a proxy sends, exactly as written.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <string>

namespace raw_http {

constexpr int kWaitMs = 3000;  // shorter than the server's request deadline

// A socket from `from` (host order, e.g. 127.0.0.2) to 127.0.0.1:port, or -1.
inline int connectFrom(uint32_t from, int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{}, remote{};
    local.sin_family = remote.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(from);
    remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    remote.sin_port = htons(static_cast<uint16_t>(port));
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
        ::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0)
        return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

// Everything the server sends until it closes, "<silent>" appended when it stops for kWaitMs
// without closing.
inline std::string readToEnd(int fd) {
    std::string reply;
    for (;;) {
        pollfd waiting{fd, POLLIN, 0};
        if (::poll(&waiting, 1, kWaitMs) <= 0) return reply + "<silent>";
        char buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return reply;
        reply.append(buffer, static_cast<size_t>(n));
    }
}

// Sends `text` (then ends the sending side when `halfClose`) and returns the whole reply.
inline std::string exchange(int port, const std::string& text, bool halfClose = false,
                            uint32_t from = INADDR_LOOPBACK) {
    const int fd = connectFrom(from, port);
    if (fd < 0) return "<no connection>";
    std::string reply = "<not sent>";
    if (::send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size())) {
        if (halfClose) ::shutdown(fd, SHUT_WR);
        reply = readToEnd(fd);
    }
    ::close(fd);
    return reply;
}

// One request on a kept-alive socket: the status of its answer (its body in `body`), or -1.
inline int roundTrip(int fd, const std::string& request, std::string* body = nullptr) {
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(request.size()))
        return -1;
    std::string reply;
    size_t headEnd = std::string::npos, length = 0;
    while (headEnd == std::string::npos || reply.size() < headEnd + 4 + length) {
        pollfd waiting{fd, POLLIN, 0};
        char buffer[4096];
        if (::poll(&waiting, 1, kWaitMs) <= 0) return -1;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return -1;
        reply.append(buffer, static_cast<size_t>(n));
        if (headEnd == std::string::npos &&
            (headEnd = reply.find("\r\n\r\n")) != std::string::npos) {
            const size_t at = reply.find("Content-Length: ");
            if (at != std::string::npos && at < headEnd) length = std::stoul(reply.substr(at + 16));
        }
    }
    if (body != nullptr) *body = reply.substr(headEnd + 4, length);
    return reply.compare(0, 9, "HTTP/1.1 ") == 0 ? std::stoi(reply.substr(9, 3)) : -1;
}

}  // namespace raw_http
