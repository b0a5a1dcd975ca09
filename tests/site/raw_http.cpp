// Raw HTTP over a loopback socket.
#include "raw_http.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

RawReply RawExchange(int port, const std::string& request, int quietMs) {
    RawReply reply;
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        close(fd);
        return reply;
    }
    // The server may stop reading before all is sent; what matters then is how it answers.
    for (std::size_t sent = 0; sent < request.size();) {
        ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(n);
    }
    char buffer[65536];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, quietMs) <= 0) {
            reply.timedOut = true;
            break;
        }
        ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
        if (n < 0 && errno == ECONNRESET) {
            reply.reset = true;
            break;
        }
        if (n <= 0) {
            break;
        }
        reply.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    return reply;
}

int RawStatus(const RawReply& reply) {
    if (reply.bytes.compare(0, 9, "HTTP/1.1 ") != 0 || reply.bytes.size() < 12) {
        return -1;
    }
    return std::stoi(reply.bytes.substr(9, 3));
}

std::string RawBody(const RawReply& reply) {
    std::size_t end = reply.bytes.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : reply.bytes.substr(end + 4);
}
