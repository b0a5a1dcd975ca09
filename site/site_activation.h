// Socket activation: the listening socket a service manager hands the site, and the idle clock
// that ends a site nobody asks, so the next request starts a fresh one.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <mutex>
#include <string>

// Where sd_listen_fds(3) puts the first socket it passes.
inline constexpr int ActivationFirstFd = 3;
// How long a socket-activated site waits for a request before it exits.
inline constexpr int DefaultIdleExitSeconds = 600;

// The listening socket a service manager handed this process (systemd, systemd-socket-activate):
// -1 with error empty when nothing was handed to it, -1 with error set when the handover cannot
// be used. Takes the socket only once: LISTEN_PID, LISTEN_FDS and LISTEN_FDNAMES are cleared so
// that no child takes it too, and the socket is closed on exec.
int InheritedListenSocket(std::string& error);
// The same over given values: the two variables as the environment holds them (nullptr when
// unset), this process's id and the first passed descriptor.
int InheritedListenSocketFrom(const char* listenPid, const char* listenFds, pid_t self, int firstFd,
                              std::string& error);
// The TCP port the socket listens on; -1 when it has none.
int SocketPort(int fd);

// Counts the open connections and how long the site has had none.
class SiteIdleClock {
  public:
    using Clock = std::chrono::steady_clock;
    SiteIdleClock(Clock::duration limit, Clock::time_point start);

    void Opened();
    void Closed(Clock::time_point now);
    // No connection open, and none closed or started for the whole limit.
    bool Expired(Clock::time_point now) const;
    Clock::duration Limit() const { return limit_; }

    // Marks one connection for its lifetime; does nothing without a clock.
    class Busy {
      public:
        explicit Busy(SiteIdleClock* clock);
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

      private:
        SiteIdleClock* clock_;
    };

  private:
    const Clock::duration limit_;
    mutable std::mutex mutex_;
    int open_ = 0;
    Clock::time_point last_;
};

// Waits for one of `signals`, which the caller has blocked in every thread, and returns its
// number; returns 0 instead once idle has expired. Without a clock it waits for a signal only.
int WaitForStopOrIdle(const sigset_t& signals, const SiteIdleClock* idle);
