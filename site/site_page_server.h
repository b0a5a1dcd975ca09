// The site's cpp-httplib server: a keep-alive loop of our own over Connection, per-client
// limits, and serving a socket handed over by the service manager. Private to the server's files.
#pragma once

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <httplib.h>

#include <atomic>
#include <chrono>

#include "site_activation.h"
#include "site_connection.h"
#include "site_workers.h"

class PageServer : public httplib::Server {
  public:
    PageServer(const std::atomic<bool>& stopping, int perClient, int requestDeadlineMs,
               SiteIdleClock* idle)
        : stopping_(stopping),
          clients_(perClient),
          requestDeadlineMs_(requestDeadlineMs),
          idle_(idle) {}

    // cpp-httplib 0.11 has no call to serve a socket made elsewhere; its own is this member.
    void Adopt(int fd) { svr_sock_ = fd; }
    // Ends the accept loop of an adopted socket without the library's shutdown(), which would
    // stop the socket for the service manager too, which keeps it for the next start.
    void Release() { svr_sock_ = INVALID_SOCKET; }

    void WidenBacklog() {
        int fd = svr_sock_;
        if (fd != INVALID_SOCKET) {
            ::listen(fd, ListenBacklog);
        }
    }

  private:
    // Keep-alive loop in the manner of the library's, over our own stream.
    bool process_and_close_socket(socket_t sock) override {
        SiteIdleClock::Busy busy(idle_);
        ClientTable::Slot slot;
        int port = 0;
        AddressOf(sock, true, slot.client, port);
        slot.fd = sock;
        if (!clients_.Join(slot)) {
            ::shutdown(sock, SHUT_RDWR);
            ::close(sock);
            return false;
        }
        int one = 1;
        setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
        Connection connection(sock, static_cast<int>(read_timeout_sec_ * 1000),
                              static_cast<int>(write_timeout_sec_ * 1000), requestDeadlineMs_,
                              stopping_);
        currentConnection = &connection;
        bool ok = true;
        for (std::size_t count = keep_alive_max_count_; count > 0; --count) {
            clients_.SetIdle(slot, true);
            if (!WaitForRequest(connection)) {
                break;
            }
            clients_.SetIdle(slot, false);
            connection.StartRequest();
            bool closed = false;
            ok = process_request(connection, count == 1, closed, nullptr);
            if (!ok || closed || connection.close || connection.overLimit) {
                break;
            }
        }
        currentConnection = nullptr;
        clients_.Leave(slot);
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
        return ok;
    }

    bool WaitForRequest(const Connection& connection) {
        if (connection.HasBuffered()) {
            return true;
        }
        auto deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(keep_alive_timeout_sec_);
        while (svr_sock_ != INVALID_SOCKET && !stopping_) {
            if (WaitSocket(connection.socket(), POLLIN, 100)) {
                return true;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
        }
        return false;
    }

    const std::atomic<bool>& stopping_;
    ClientTable clients_;
    const int requestDeadlineMs_;
    SiteIdleClock* idle_;
};
