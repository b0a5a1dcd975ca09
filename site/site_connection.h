// The site's socket stream: one client connection with a byte budget and a deadline per request,
// and waits that give up when the site stops. Private to the server's files.
#pragma once

#include <poll.h>

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>

// Request line, headers and any body together; a request that sends more is cut off.
inline constexpr std::size_t RequestByteLimit = 128 * 1024;
inline constexpr std::size_t BodyByteLimit = 64 * 1024;
inline constexpr std::size_t TargetByteLimit = 2048;
inline constexpr std::size_t QueuedConnectionLimit = 256;
inline constexpr int ListenBacklog = 128;
inline constexpr char HtmlType[] = "text/html; charset=gb2312";

// Waits happen in slices this long, so that a stop is seen within one slice.
inline constexpr int WaitSliceMs = 100;

bool WaitSocket(int fd, short events, int timeoutMs);
// True once the peer has closed its side or the socket failed.
bool PeerGone(int fd);
// The address and port of the socket's own end, or of its peer's.
void AddressOf(int fd, bool peer, std::string& ip, int& port);

// One client connection: buffered reads with a byte budget and a deadline per request, and
// waits that give up when the site stops.
class Connection : public httplib::Stream {
  public:
    Connection(int fd, int readTimeoutMs, int writeTimeoutMs, int requestDeadlineMs,
               const std::atomic<bool>& stopping)
        : fd_(fd),
          readTimeoutMs_(readTimeoutMs),
          writeTimeoutMs_(writeTimeoutMs),
          requestDeadlineMs_(requestDeadlineMs),
          stopping_(stopping) {}

    bool is_readable() const override { return pos_ < len_ || Wait(POLLIN, readTimeoutMs_, true); }
    bool is_writable() const override { return Wait(POLLOUT, writeTimeoutMs_, false); }

    ssize_t read(char* ptr, size_t size) override {
        if (used_ >= RequestByteLimit) {
            overLimit = true;
            return -1;
        }
        if (pos_ == len_) {
            if (!Wait(POLLIN, readTimeoutMs_, true)) {
                return -1;
            }
            ssize_t n;
            do {
                n = recv(fd_, buffer_, sizeof(buffer_), 0);
            } while (n < 0 && errno == EINTR);
            if (n <= 0) {
                return n;
            }
            pos_ = 0;
            len_ = static_cast<std::size_t>(n);
        }
        std::size_t n = std::min({size, len_ - pos_, RequestByteLimit - used_});
        std::memcpy(ptr, buffer_ + pos_, n);
        pos_ += n;
        used_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable()) {
            return -1;
        }
        ssize_t n;
        do {
            n = send(fd_, ptr, size, MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        return n;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        AddressOf(fd_, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        AddressOf(fd_, false, ip, port);
    }
    socket_t socket() const override { return fd_; }

    bool HasBuffered() const { return pos_ < len_; }
    void StartRequest() {
        // The request line, headers and body must all arrive by then: a client dripping a byte
        // at a time would otherwise hold a worker for as long as it likes.
        deadline_ =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(requestDeadlineMs_);
        used_ = 0;
        overLimit = false;
        logged = false;
        close = false;
    }

    // Set by the handlers of the current request.
    bool overLimit = false;
    bool logged = false;
    bool close = false;

  private:
    // Up to timeoutMs (and, for the request's reads, no later than its deadline), in slices.
    bool Wait(short events, int timeoutMs, bool request) const {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        if (request && deadline_ < until) {
            until = deadline_;
        }
        for (;;) {
            if (stopping_) {
                return false;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            until - std::chrono::steady_clock::now())
                            .count();
            if (left <= 0) {
                return false;
            }
            if (WaitSocket(fd_, events, static_cast<int>(std::min<long long>(left, WaitSliceMs)))) {
                return true;
            }
        }
    }

    int fd_;
    int readTimeoutMs_;
    int writeTimeoutMs_;
    int requestDeadlineMs_;
    const std::atomic<bool>& stopping_;
    std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::time_point::max();
    char buffer_[8192];
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    std::size_t used_ = 0;
};

// The connection the calling worker serves, null outside a request.
extern thread_local Connection* currentConnection;
