// The site under hostile clients: dripping and idle connections from other addresses leave room
// for good clients, conflicting lengths are refused, and SIGTERM ends the program under load.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "fake_upstream.h"
#include "live_site.h"
#include "raw_http.h"
#include "site.h"

namespace {

// A connection to the site from a loopback address of our choice (all of 127/8 is loopback).
int ConnectFrom(const char* source, int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in from{};
    from.sin_family = AF_INET;
    inet_pton(AF_INET, source, &from.sin_addr);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof(from)) != 0 ||
        connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof(to)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// True once the server has closed the connection (nothing it sent is expected).
bool ClosedByServer(int fd) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0) {
        return false;
    }
    char c;
    return recv(fd, &c, 1, MSG_DONTWAIT) <= 0;
}

// Hostile clients until told to stop: `drippers` connections from 127.0.0.2 that send a request a
// byte every 200 ms, and `idlers` from 127.0.0.3 that send nothing; a connection the server
// closes is opened again at once.
class Flood {
  public:
    Flood(int port, int drippers, int idlers) : port_(port) {
        thread_ = std::thread([this, drippers, idlers] { Run(drippers, idlers); });
    }
    ~Flood() {
        stop_ = true;
        thread_.join();
    }
    int DrippersClosed() const { return drippersClosed_; }
    int IdlersClosed() const { return idlersClosed_; }

  private:
    void Run(int drippers, int idlers) {
        const std::string request = "GET /index.htm HTTP/1.1\r\nHost: x\r\n\r\n";
        struct Slow {
            int fd;
            std::size_t sent;
        };
        std::vector<Slow> drips(drippers, Slow{-1, 0});
        std::vector<int> idle(idlers, -1);
        // Bounded: a stop that never came would end here after a minute.
        for (int round = 0; round < 300 && !stop_; ++round) {
            for (Slow& d : drips) {
                if (d.fd >= 0 && ClosedByServer(d.fd)) {
                    close(d.fd);
                    d.fd = -1;
                    ++drippersClosed_;
                }
                if (d.fd < 0) {
                    d = {ConnectFrom("127.0.0.2", port_), 0};
                }
                if (d.fd >= 0 && d.sent < request.size() &&
                    send(d.fd, request.data() + d.sent, 1, MSG_NOSIGNAL) == 1) {
                    ++d.sent;
                }
            }
            for (int& fd : idle) {
                if (fd >= 0 && ClosedByServer(fd)) {
                    close(fd);
                    fd = -1;
                    ++idlersClosed_;
                }
                if (fd < 0) {
                    fd = ConnectFrom("127.0.0.3", port_);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        for (Slow& d : drips) {
            if (d.fd >= 0) {
                close(d.fd);
            }
        }
        for (int fd : idle) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }

    int port_;
    std::atomic<bool> stop_{false};
    std::atomic<int> drippersClosed_{0};
    std::atomic<int> idlersClosed_{0};
    std::thread thread_;
};

class SiteHardening : public testing::Test {
  protected:
    void Start(int threads, int perClient, int deadlineMs) {
        SiteOptions options;
        options.port = 0;
        options.threads = threads;
        options.connectionsPerClient = perClient;
        options.requestDeadlineMs = deadlineMs;
        std::string error;
        site = StartSite(options, error);
        ASSERT_TRUE(site) << error;
        port = SitePort(*site);
    }
    SiteHandle site;
    int port = 0;
};

TEST_F(SiteHardening, SlowAndIdleClientsLeaveRoomForGoodOnes) {
    // Eight workers; without a bound per address, 30 drippers alone would hold all of them.
    Start(8, 3, 2000);
    Flood flood(port, 30, 60);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (int i = 0; i < 4; ++i) {
        // Ten seconds is "served" here; starved, the request waits as long as the flood lasts.
        RawReply reply = RawExchange(
            port, "GET /index.htm HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n", 10000);
        EXPECT_EQ(RawStatus(reply), 200) << "good request " << i;
        EXPECT_FALSE(reply.timedOut) << "good request " << i;
    }
    // Idle connections past the bound were closed to make room.
    EXPECT_GT(flood.IdlersClosed(), 0);
}

TEST_F(SiteHardening, DrippedRequestIsCutAtItsDeadline) {
    Start(8, 16, 1000);
    int fd = ConnectFrom("127.0.0.2", port);
    ASSERT_GE(fd, 0);
    // A byte every 100 ms: far within the per-read time-out, but the whole request would take
    // 40 s. Bounded at 8 s, much more than the deadline.
    const std::string request = "GET /index.htm HTTP/1.1\r\nX-Slow: " + std::string(400, 'x');
    bool closed = false;
    for (std::size_t i = 0; i < 80 && !closed; ++i) {
        closed = ClosedByServer(fd) || send(fd, &request[i], 1, MSG_NOSIGNAL) != 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(closed) << "the site still reads a request begun 8 s ago";
    close(fd);
}

TEST_F(SiteHardening, NewestIdleConnectionSurvivesTheOldest) {
    Start(8, 2, 10000);
    int first = ConnectFrom("127.0.0.3", port);
    ASSERT_GE(first, 0);
    // Each connection is seen by a worker before the next one comes, so the order is ours.
    std::vector<int> later;
    for (int i = 0; i < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        later.push_back(ConnectFrom("127.0.0.3", port));
    }
    bool closed = false;
    for (int i = 0; i < 50 && !closed; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        closed = ClosedByServer(first);
    }
    EXPECT_TRUE(closed) << "the oldest idle connection is still open";
    const std::string request = "GET /index.htm HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    ASSERT_EQ(send(later.back(), request.data(), request.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(request.size()));
    char head[12] = {};
    pollfd p{later.back(), POLLIN, 0};
    ASSERT_GT(poll(&p, 1, 10000), 0);
    ASSERT_EQ(recv(later.back(), head, sizeof(head), MSG_WAITALL), 12);
    EXPECT_EQ(std::string(head, 12), "HTTP/1.1 200");
    close(first);
    for (int fd : later) {
        close(fd);
    }
}

TEST_F(SiteHardening, ConflictingLengthsAreRefused) {
    Start(8, 16, 10000);
    const std::string bad[] = {
        "GET / HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\nContent-Length: 5\r\n\r\nhello",
        "GET / HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\nContent-Length: 0\r\n\r\n",
        "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\nContent-Length: 9\r\n\r\nabcGET / ",
        "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n"
        "0\r\n\r\n",
    };
    for (const std::string& request : bad) {
        RawReply reply = RawExchange(port, request);
        EXPECT_EQ(RawStatus(reply), 400) << request;
        // Answered and closed: nothing after it is read as a second request.
        EXPECT_FALSE(reply.timedOut) << request;
        EXPECT_EQ(reply.bytes.find("HTTP/1.1", 1), std::string::npos) << request;
    }
    RawReply good = RawExchange(
        port, "GET / HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(RawStatus(good), 200);
}

TEST(SiteStop, SigtermEndsTheProgramWithinTwoSecondsUnderLoad) {
    FakeUpstream upstream;
    upstream.SetGeocoding({200, GeocodingJson({{"x", "\u5317\u4eac\u5e02", 40.2, 116.2}})});
    upstream.Hold();  // every forecast call hangs
    const std::string cache =
        testing::TempDir() + "site_stop_" + std::to_string(getpid()) + "_cache";
    LiveSite site({"--port", "0", "--threads", "8", "--source", "openmeteo", "--forecast-api",
                   upstream.Base(), "--geocoding-api", upstream.Base(), "--cache-dir", cache,
                   "--upstream-timeout", "30"});
    ASSERT_GT(site.Port(), 0);

    // Requests waiting on the hung call, a client that never reads its answers, and a flood;
    // all ended on every way out of the test.
    struct Joined : std::vector<std::thread> {
        ~Joined() {
            for (std::thread& t : *this) {
                t.join();
            }
        }
    } waiting;
    for (int i = 0; i < 3; ++i) {
        waiting.emplace_back([port = site.Port()] {
            RawExchange(port, "GET /weather/beijing/ChangPing.htm HTTP/1.1\r\nHost: x\r\n\r\n",
                        5000);
        });
    }
    struct Socket {
        int fd;
        ~Socket() {
            if (fd >= 0) {
                close(fd);
            }
        }
    } deafSocket{ConnectFrom("127.0.0.4", site.Port())};
    const int deaf = deafSocket.fd;
    std::string pipelined;
    for (int i = 0; i < 400; ++i) {
        pipelined += "GET /index.htm HTTP/1.1\r\nHost: x\r\n\r\n";
    }
    send(deaf, pipelined.data(), pipelined.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    // The hung forecast call first: a flood that starts before it (a slow, sanitized build) can
    // keep the waiting requests from ever reaching the service.
    for (int waited = 0; waited < 400 && upstream.Forecasts() == 0; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_GT(upstream.Forecasts(), 0) << "the forecast call never started";
    {
        Flood flood(site.Port(), 40, 100);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));

        auto asked = std::chrono::steady_clock::now();
        ASSERT_EQ(kill(site.Pid(), SIGTERM), 0);
        int status = 0;
        pid_t ended = 0;
        while (ended == 0 && std::chrono::steady_clock::now() - asked < std::chrono::seconds(2)) {
            ended = waitpid(site.Pid(), &status, WNOHANG);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - asked)
                        .count();
        ASSERT_EQ(ended, site.Pid()) << "still running 2 s after SIGTERM";
        site.Forget();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        std::printf("weather-site ended %lld ms after SIGTERM\n", static_cast<long long>(took));
    }
    std::filesystem::remove_all(cache);
}

}  // namespace
