// The site's workers: a bounded pool of threads, and the share of them each client address gets.
// Private to the server's files.
#pragma once

#include <sys/socket.h>

#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "site_connection.h"

// A fixed set of workers and a bounded queue: a burst of connections waits in the kernel's
// backlog instead of in our memory.
class BoundedPool : public httplib::TaskQueue {
  public:
    explicit BoundedPool(int threads) {
        for (int i = 0; i < threads; ++i) {
            workers_.emplace_back([this] { Work(); });
        }
    }

    void enqueue(std::function<void()> fn) override {
        std::unique_lock<std::mutex> lock(mutex_);
        spaceFree_.wait(lock, [&] { return jobs_.size() < QueuedConnectionLimit || shutdown_; });
        jobs_.push_back(std::move(fn));
        jobReady_.notify_one();
    }

    void shutdown() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            shutdown_ = true;
        }
        jobReady_.notify_all();
        spaceFree_.notify_all();
        for (std::thread& t : workers_) {
            t.join();
        }
    }

  private:
    void Work() {
        for (;;) {
            std::function<void()> fn;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                jobReady_.wait(lock, [&] { return !jobs_.empty() || shutdown_; });
                if (jobs_.empty()) {
                    return;
                }
                fn = std::move(jobs_.front());
                jobs_.pop_front();
                spaceFree_.notify_one();
            }
            fn();
        }
    }

    std::vector<std::thread> workers_;
    std::deque<std::function<void()>> jobs_;
    std::mutex mutex_;
    std::condition_variable jobReady_;
    std::condition_variable spaceFree_;
    bool shutdown_ = false;
};

// The connections of each client address. Past the limit a new connection closes the client's
// connection that has waited longest for its next request; when every one is busy, the new one is
// closed instead. So no one address holds more than its share of the workers.
class ClientTable {
  public:
    struct Slot {
        std::string client;
        int fd = -1;
        bool idle = true;  // waiting for a request (a new connection has not sent one yet)
        unsigned long long idleSince = 0;
    };

    explicit ClientTable(int perClient) : perClient_(std::max(1, perClient)) {}

    bool Join(Slot& slot) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<Slot*>& slots = clients_[slot.client];
        if (static_cast<int>(slots.size()) >= perClient_) {
            auto oldest = slots.end();
            for (auto it = slots.begin(); it != slots.end(); ++it) {
                if ((*it)->idle &&
                    (oldest == slots.end() || (*it)->idleSince < (*oldest)->idleSince)) {
                    oldest = it;
                }
            }
            if (oldest == slots.end()) {
                if (slots.empty()) {
                    clients_.erase(slot.client);
                }
                return false;
            }
            // Its worker sees the connection end and closes it; the descriptor is still its own
            // because owners leave the table (under this lock) before they close.
            ::shutdown((*oldest)->fd, SHUT_RDWR);
            slots.erase(oldest);
        }
        slot.idle = true;
        slot.idleSince = ++clock_;
        slots.push_back(&slot);
        return true;
    }

    void Leave(Slot& slot) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = clients_.find(slot.client);
        if (it == clients_.end()) {
            return;
        }
        std::vector<Slot*>& slots = it->second;
        slots.erase(std::remove(slots.begin(), slots.end(), &slot), slots.end());
        if (slots.empty()) {
            clients_.erase(it);
        }
    }

    void SetIdle(Slot& slot, bool idle) {
        std::lock_guard<std::mutex> lock(mutex_);
        slot.idle = idle;
        if (idle) {
            slot.idleSince = ++clock_;
        }
    }

  private:
    const int perClient_;
    std::mutex mutex_;
    std::unordered_map<std::string, std::vector<Slot*>> clients_;
    unsigned long long clock_ = 0;
};
