// The Windows page fetch against a small server on loopback: bodies whatever the status,
// redirects followed only to web addresses and only ten times, and the stall, total and size
// limits.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/http.h"
#include "platform/http_testing.h"

namespace {

const std::string kPage("\xb1\xb1\xbe\xa9 page\0end", 13);  // 北京, a zero byte and more

class LoopbackServer {
  public:
    LoopbackServer() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            listen(listener_, 16) == 0 &&
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
            port_ = ntohs(address.sin_port);
        }
        acceptor_ = std::thread([this] { Accept(); });
    }
    ~LoopbackServer() {
        stopping_ = true;
        closesocket(listener_);
        acceptor_.join();
        for (std::thread& thread : connections_) {
            thread.join();
        }
        WSACleanup();
    }
    int Port() const { return port_; }
    std::string ContentType() {
        std::lock_guard<std::mutex> hold(lock_);
        return contentType_;
    }

  private:
    void Accept() {
        while (true) {
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) {
                return;
            }
            connections_.emplace_back([this, client] {
                Serve(client);
                closesocket(client);
            });
        }
    }
    static bool SendAll(SOCKET client, const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const int step =
                send(client, bytes.data() + sent,
                     static_cast<int>(std::min<std::size_t>(bytes.size() - sent, 1 << 20)), 0);
            if (step <= 0) {
                return false;
            }
            sent += static_cast<std::size_t>(step);
        }
        return true;
    }
    // Waits up to milliseconds; false when the client has gone or the server stops.
    bool Pause(SOCKET client, int milliseconds) {
        for (int waited = 0; waited < milliseconds; waited += 20) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(client, &readable);
            timeval step = {0, 20000};
            char byte;
            if (stopping_ || (select(0, &readable, nullptr, nullptr, &step) == 1 &&
                              recv(client, &byte, 1, 0) <= 0)) {
                return false;
            }
        }
        return !stopping_;
    }
    static std::string Head(int status, const std::string& fields, long long length) {
        return "HTTP/1.1 " + std::to_string(status) + " X\r\nConnection: close\r\n" + fields +
               "Content-Length: " + std::to_string(length) + "\r\n\r\n";
    }
    void Serve(SOCKET client) {
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const int got = recv(client, buffer, sizeof buffer, 0);
            if (got <= 0) {
                return;
            }
            request.append(buffer, got);
        }
        const std::size_t pathStart = request.find(' ') + 1;
        const std::string path =
            request.substr(pathStart, request.find(' ', pathStart) - pathStart);
        const std::size_t type = request.find("\r\nContent-Type: ");
        if (type != std::string::npos) {
            std::lock_guard<std::mutex> hold(lock_);
            contentType_ = request.substr(type + 16, request.find("\r\n", type + 2) - type - 16);
        }
        if (path == "/page") {
            SendAll(client, Head(200, "", kPage.size()) + kPage);
        } else if (path == "/missing") {
            SendAll(client, Head(404, "", 8) + "not here");
        } else if (path.rfind("/hop/", 0) == 0) {
            const int left = std::stoi(path.substr(5));
            const std::string next = left == 0 ? "/page" : "/hop/" + std::to_string(left - 1);
            SendAll(client, Head(302, "Location: " + next + "\r\n", 0));
        } else if (path == "/to-file") {
            SendAll(client, Head(302, "Location: file:///C:/windows/win.ini\r\n", 0));
        } else if (path == "/stall") {
            if (SendAll(client, Head(200, "", 1000) + "start")) {
                while (Pause(client, 1000)) {
                }
            }
        } else if (path == "/drip") {
            bool open = SendAll(client, Head(200, "", 1000000));
            while (open && Pause(client, 200)) {
                open = SendAll(client, "x");
            }
        } else if (path == "/huge") {
            const std::string piece(1 << 20, 'h');
            bool open = SendAll(client, Head(200, "", 65LL << 20));
            for (int i = 0; open && i < 65 && !stopping_; ++i) {
                open = SendAll(client, piece);
            }
        }
        shutdown(client, SD_SEND);
    }

    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::vector<std::thread> connections_;  // touched by the acceptor only until it has ended
    std::mutex lock_;
    std::string contentType_;
};

class Win32Http : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_GT(server_.Port(), 0); }
    void TearDown() override {
        SetHttpStallSeconds(HttpStallSeconds);
        SetHttpTotalSeconds(HttpTotalSeconds);
    }
    std::string Url(const std::string& path) {
        return "http://127.0.0.1:" + std::to_string(server_.Port()) + path;
    }
    LoopbackServer server_;
};

TEST_F(Win32Http, BodyAsReceivedWhateverTheStatus) {
    EXPECT_EQ(PlatformHttpGet(Url("/page")), kPage);
    EXPECT_EQ(server_.ContentType(), "application/x-www-form-urlencoded");
    EXPECT_EQ(PlatformHttpGet(Url("/missing")), "not here");
    EXPECT_EQ(PlatformHttpGet("HTTP://127.0.0.1:" + std::to_string(server_.Port()) + "/page#top"),
              kPage);
}

TEST_F(Win32Http, RedirectsFollowedToWebAddressesUpToTen) {
    EXPECT_EQ(PlatformHttpGet(Url("/hop/9")), kPage);  // ten redirects
    EXPECT_EQ(PlatformHttpGet(Url("/hop/10")), "");    // eleven
    EXPECT_EQ(PlatformHttpGet(Url("/to-file")), "");
}

TEST_F(Win32Http, OnlyWebAddresses) {
    for (const char* url : {"file:///C:/windows/win.ini", "ftp://127.0.0.1/", "127.0.0.1/page",
                            "\xce\xb4\xd6\xaa", "", "http://"}) {
        EXPECT_EQ(PlatformHttpGet(url), "") << url;
    }
}

TEST_F(Win32Http, RefusedConnectionGivesNothing) {
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size), 0);
    closesocket(probe);  // a port nobody listens on
    EXPECT_EQ(PlatformHttpGet("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/"),
              "");
}

TEST_F(Win32Http, StallingServerIsGivenUp) {
    SetHttpStallSeconds(1);
    EXPECT_EQ(PlatformHttpGet(Url("/stall")), "");
}

TEST_F(Win32Http, DrippingServerIsGivenUpAtTheTotalDeadline) {
    SetHttpStallSeconds(1);
    SetHttpTotalSeconds(2);
    EXPECT_EQ(PlatformHttpGet(Url("/drip")), "");
}

TEST_F(Win32Http, BodyOverTheCapGivesNothing) {
    EXPECT_EQ(PlatformHttpGet(Url("/huge")), "");
}

}  // namespace
