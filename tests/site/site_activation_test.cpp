// Socket activation: taking the handed socket, the idle clock, and the site binary started the way
// systemd starts it.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "site.h"
#include "site_activation.h"

namespace {

using Clock = SiteIdleClock::Clock;
using std::chrono::seconds;

// A TCP socket on a free loopback port; listening unless asked otherwise.
int LoopbackSocket(int type, bool listening) {
    int fd = socket(AF_INET, type, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        (listening && listen(fd, 16) != 0)) {
        ADD_FAILURE() << "cannot make a loopback socket";
    }
    return fd;
}

int ListeningUnixSocket() {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // An abstract name: nothing is left on disk.
    std::snprintf(address.sun_path + 1, sizeof(address.sun_path) - 1, "site-activation-%d",
                  getpid());
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(fd, 4) != 0) {
        ADD_FAILURE() << "cannot make a unix socket";
    }
    return fd;
}

TEST(SiteActivation, TakesOnlyOneListeningTcpSocketHandedToThisProcess) {
    int good = LoopbackSocket(SOCK_STREAM, true);
    int unlistened = LoopbackSocket(SOCK_STREAM, false);
    int datagram = LoopbackSocket(SOCK_DGRAM, false);
    int unixSocket = ListeningUnixSocket();
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t self = 4242;
    struct Case {
        const char* name;
        const char* pid;
        const char* count;
        int fd;
        bool taken;
        bool error;
    };
    const Case cases[] = {
        {"a plain start has no variables", nullptr, nullptr, good, false, false},
        {"no count is no handover", "4242", nullptr, good, false, false},
        {"variables meant for another process", "4243", "1", good, false, false},
        {"zero sockets is no handover", "4242", "0", good, false, false},
        {"a listening TCP socket", "4242", "1", good, true, false},
        {"a pid that is no number", "42x", "1", good, false, true},
        {"a count that is no number", "4242", "one", good, false, true},
        {"a negative count", "4242", "-1", good, false, true},
        {"two sockets", "4242", "2", good, false, true},
        {"a pipe", "4242", "1", pipeFds[0], false, true},
        {"a socket that does not listen", "4242", "1", unlistened, false, true},
        {"a datagram socket", "4242", "1", datagram, false, true},
        {"a unix socket", "4242", "1", unixSocket, false, true},
        {"a closed descriptor", "4242", "1", 1000, false, true},
    };
    for (const Case& c : cases) {
        std::string error = "left over";
        int fd = InheritedListenSocketFrom(c.pid, c.count, self, c.fd, error);
        EXPECT_EQ(fd, c.taken ? c.fd : -1) << c.name;
        EXPECT_EQ(!error.empty(), c.error) << c.name << ": " << error;
    }
    EXPECT_NE(fcntl(good, F_GETFD) & FD_CLOEXEC, 0) << "a taken socket must not leak into children";
    for (int fd : {good, unlistened, datagram, unixSocket, pipeFds[0], pipeFds[1]}) {
        close(fd);
    }
}

TEST(SiteActivation, TakesDescriptorThreeFromTheEnvironmentOnce) {
    // Whatever this process holds at 3 is put back afterwards.
    int saved = fcntl(ActivationFirstFd, F_DUPFD_CLOEXEC, 10);
    int listener = LoopbackSocket(SOCK_STREAM, true);
    ASSERT_EQ(dup2(listener, ActivationFirstFd), ActivationFirstFd);
    setenv("LISTEN_PID", std::to_string(getpid()).c_str(), 1);
    setenv("LISTEN_FDS", "1", 1);
    setenv("LISTEN_FDNAMES", "lanchuan-weather-site.socket", 1);
    std::string error;
    EXPECT_EQ(InheritedListenSocket(error), ActivationFirstFd) << error;
    EXPECT_EQ(SocketPort(ActivationFirstFd), SocketPort(listener));
    EXPECT_EQ(std::getenv("LISTEN_PID"), nullptr);
    EXPECT_EQ(std::getenv("LISTEN_FDS"), nullptr);
    EXPECT_EQ(std::getenv("LISTEN_FDNAMES"), nullptr);
    EXPECT_EQ(InheritedListenSocket(error), -1) << "a second call must not take it again";
    EXPECT_TRUE(error.empty()) << error;
    close(listener);
    if (saved >= 0) {
        dup2(saved, ActivationFirstFd);
        close(saved);
    } else {
        close(ActivationFirstFd);
    }
}

TEST(SiteIdle, ExpiresOnlyAfterTheLimitWithNoConnectionOpen) {
    const Clock::time_point start{};
    SiteIdleClock idle(seconds(600), start);
    EXPECT_FALSE(idle.Expired(start + seconds(599)));
    EXPECT_TRUE(idle.Expired(start + seconds(600)));

    idle.Opened();
    EXPECT_FALSE(idle.Expired(start + seconds(5000))) << "an open connection keeps the site";
    idle.Closed(start + seconds(5000));
    EXPECT_FALSE(idle.Expired(start + seconds(5599))) << "the limit counts from the last close";
    EXPECT_TRUE(idle.Expired(start + seconds(5600)));
}

TEST(SiteIdle, EveryConnectionMustCloseAndALateCloseNeverMovesTheClockBack) {
    const Clock::time_point start{};
    SiteIdleClock idle(seconds(10), start);
    idle.Opened();
    idle.Opened();
    idle.Closed(start + seconds(100));
    EXPECT_FALSE(idle.Expired(start + seconds(1000))) << "one connection is still open";
    idle.Closed(start + seconds(50));  // a close seen after a later one
    EXPECT_FALSE(idle.Expired(start + seconds(109)));
    EXPECT_TRUE(idle.Expired(start + seconds(110)));
}

TEST(SiteIdle, BusyMarksAConnectionAndToleratesNoClock) {
    SiteIdleClock idle(seconds(0), Clock::now());
    {
        SiteIdleClock::Busy busy(&idle);
        EXPECT_FALSE(idle.Expired(Clock::now() + seconds(3600)));
        SiteIdleClock::Busy nothing(nullptr);
    }
    EXPECT_TRUE(idle.Expired(Clock::now()));
}

TEST(SiteIdle, WaitEndsOnASignalOrOnceIdle) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGUSR1);
    sigset_t old;
    pthread_sigmask(SIG_BLOCK, &signals, &old);

    SiteIdleClock expired(seconds(0), Clock::now());
    EXPECT_EQ(WaitForStopOrIdle(signals, &expired), 0);

    SiteIdleClock fresh(seconds(3600), Clock::now());
    pthread_kill(pthread_self(), SIGUSR1);
    EXPECT_EQ(WaitForStopOrIdle(signals, &fresh), SIGUSR1);
    pthread_kill(pthread_self(), SIGUSR1);
    EXPECT_EQ(WaitForStopOrIdle(signals, nullptr), SIGUSR1);

    pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

// Whether a client can still connect to the socket: a listening socket takes the connection into
// its backlog even when nobody accepts it.
bool StillListens(int listener) {
    int client = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(SocketPort(listener)));
    bool connected = connect(client, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    close(client);
    return connected;
}

// cpp-httplib 0.11 has no call to serve a socket made elsewhere; its listening socket is a
// protected member, so the site's server subclass sets it and then listens. Its stop() shuts the
// socket down, which stops it for every holder: an adopted socket is let go of instead.
class AdoptingServer : public httplib::Server {
  public:
    void Adopt(int fd) { svr_sock_ = fd; }
    void Release() { svr_sock_ = INVALID_SOCKET; }
};

TEST(SiteActivation, AnAdoptedSocketIsServedAndStillListensAfterTheServerLetsGo) {
    int listener = LoopbackSocket(SOCK_STREAM, true);
    AdoptingServer server;
    server.Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("adopted", "text/plain");
    });
    server.Adopt(listener);
    server.set_idle_interval(0, 100000);
    std::thread serving([&server] { server.listen_after_bind(); });
    auto res = httplib::Client("127.0.0.1", SocketPort(listener)).Get("/");
    server.Release();
    serving.join();
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "adopted");
    EXPECT_TRUE(StillListens(listener));
    close(listener);
}

TEST(SiteActivation, TheLibrarysOwnStopEndsTheSocketForEveryHolder) {
    // Why the site must not call stop() on a handed socket: the manager's copy dies with it.
    int listener = LoopbackSocket(SOCK_STREAM, true);
    int managerCopy = dup(listener);
    AdoptingServer server;
    server.Adopt(listener);
    std::thread serving([&server] { server.listen_after_bind(); });
    while (!server.is_running()) {
        std::this_thread::yield();
    }
    server.stop();
    serving.join();
    EXPECT_FALSE(StillListens(managerCopy));
    close(managerCopy);
}

struct Started {
    pid_t pid = -1;
    std::FILE* out = nullptr;
};

// Starts the site as systemd does: the socket at descriptor 3, LISTEN_PID naming the site.
Started StartHanded(int socketFd, const std::vector<std::string>& args) {
    Started run;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return run;
    }
    run.pid = fork();
    if (run.pid == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        dup2(socketFd, ActivationFirstFd);
        char pid[32];
        std::snprintf(pid, sizeof(pid), "%d", static_cast<int>(getpid()));
        setenv("LISTEN_PID", pid, 1);
        setenv("LISTEN_FDS", "1", 1);
        std::vector<char*> argv{const_cast<char*>(SITE_BINARY)};
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(SITE_BINARY, argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    run.out = fdopen(pipeFds[0], "r");
    return run;
}

int WaitExit(Started& run) {
    int status = 0;
    waitpid(run.pid, &status, 0);
    std::fclose(run.out);
    return status;
}

TEST(SiteBinaryActivation, ServesOnTheHandedSocketNotItsDefaultPort) {
    int listener = LoopbackSocket(SOCK_STREAM, true);
    int port = SocketPort(listener);
    // --port names a port that is never ours: a site that binds it instead fails.
    Started run = StartHanded(listener, {"--port", "1", "--today", "2025-01-15"});
    close(listener);
    char line[256] = {};
    ASSERT_NE(std::fgets(line, sizeof(line), run.out), nullptr);
    EXPECT_EQ(std::string(line),
              "weather-site: listening on http://127.0.0.1:" + std::to_string(port) + "\n");
    const SiteCity& city = SiteCities().front();
    auto res = httplib::Client("127.0.0.1", port).Get(SitePagePath(city));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->body, ForecastPage(city, 20103));
    kill(run.pid, SIGTERM);
    int status = WaitExit(run);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(SiteBinaryActivation, ExitsCleanlyWhenIdleAndTheSocketStaysOpenForTheNextStart) {
    int listener = LoopbackSocket(SOCK_STREAM, true);
    Started run = StartHanded(listener, {"--idle-exit", "1"});
    int status = WaitExit(run);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    // The manager's copy still listens; a connection made now waits for the next site.
    EXPECT_TRUE(StillListens(listener));
    close(listener);
}

TEST(SiteBinaryActivation, RefusesAHandoverItCannotUse) {
    int unlistened = LoopbackSocket(SOCK_STREAM, false);
    Started run = StartHanded(unlistened, {"--port", "0"});
    close(unlistened);
    int status = WaitExit(run);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
}

}  // namespace
