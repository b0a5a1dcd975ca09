// Socket activation: the handed listening socket and the idle clock.
#include "site_activation.h"

#include <errno.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace {

// A whole decimal number, nothing around it; -1 for anything else.
long ParseCount(const char* text) {
    if (text == nullptr || *text < '0' || *text > '9') {
        return -1;
    }
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text, &end, 10);
    return errno == 0 && *end == '\0' ? value : -1;
}

bool IntOption(int fd, int name, int& value) {
    socklen_t length = sizeof(value);
    return getsockopt(fd, SOL_SOCKET, name, &value, &length) == 0 && length == sizeof(value);
}

}  // namespace

int InheritedListenSocketFrom(const char* listenPid, const char* listenFds, pid_t self, int firstFd,
                              std::string& error) {
    error.clear();
    // Variables left behind for another process (a parent that was handed sockets and started
    // us) name that process: they are not ours to take.
    if (listenPid == nullptr || listenFds == nullptr) {
        return -1;
    }
    long pid = ParseCount(listenPid);
    if (pid <= 0) {
        error = std::string("LISTEN_PID is not a process id: ") + listenPid;
        return -1;
    }
    if (pid != self) {
        return -1;
    }
    long count = ParseCount(listenFds);
    if (count < 0) {
        error = std::string("LISTEN_FDS is not a count: ") + listenFds;
        return -1;
    }
    if (count == 0) {
        return -1;
    }
    if (count != 1) {
        error = "handed " + std::to_string(count) + " sockets; the site listens on exactly one";
        return -1;
    }
    struct stat info {};
    int type = 0;
    int listening = 0;
    if (fstat(firstFd, &info) != 0 || !S_ISSOCK(info.st_mode)) {
        error = "descriptor " + std::to_string(firstFd) + " is not a socket";
        return -1;
    }
    if (!IntOption(firstFd, SO_TYPE, type) || type != SOCK_STREAM ||
        !IntOption(firstFd, SO_ACCEPTCONN, listening) || listening == 0) {
        error = "descriptor " + std::to_string(firstFd) + " is not a listening stream socket";
        return -1;
    }
    if (SocketPort(firstFd) < 0) {
        error = "descriptor " + std::to_string(firstFd) + " is not a TCP socket";
        return -1;
    }
    fcntl(firstFd, F_SETFD, FD_CLOEXEC);
    return firstFd;
}

int InheritedListenSocket(std::string& error) {
    int fd = InheritedListenSocketFrom(std::getenv("LISTEN_PID"), std::getenv("LISTEN_FDS"),
                                       getpid(), ActivationFirstFd, error);
    unsetenv("LISTEN_PID");
    unsetenv("LISTEN_FDS");
    unsetenv("LISTEN_FDNAMES");
    return fd;
}

int SocketPort(int fd) {
    sockaddr_storage address{};
    socklen_t length = sizeof(address);
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return -1;
    }
    if (address.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
    }
    if (address.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
    }
    return -1;
}

SiteIdleClock::SiteIdleClock(Clock::duration limit, Clock::time_point start)
    : limit_(limit), last_(start) {}

void SiteIdleClock::Opened() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++open_;
}

void SiteIdleClock::Closed(Clock::time_point now) {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = std::max(0, open_ - 1);
    last_ = std::max(last_, now);
}

bool SiteIdleClock::Expired(Clock::time_point now) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_ == 0 && now - last_ >= limit_;
}

SiteIdleClock::Busy::Busy(SiteIdleClock* clock) : clock_(clock) {
    if (clock_ != nullptr) {
        clock_->Opened();
    }
}

SiteIdleClock::Busy::~Busy() {
    if (clock_ != nullptr) {
        clock_->Closed(Clock::now());
    }
}

int WaitForStopOrIdle(const sigset_t& signals, const SiteIdleClock* idle) {
    for (;;) {
        if (idle == nullptr) {
            int number = 0;
            if (sigwait(&signals, &number) == 0) {
                return number;
            }
            continue;
        }
        if (idle->Expired(SiteIdleClock::Clock::now())) {
            return 0;
        }
        // Looked at again every second: a connection that closes moves the deadline on.
        timespec pause{1, 0};
        int number = sigtimedwait(&signals, nullptr, &pause);
        if (number > 0) {
            return number;
        }
    }
}
