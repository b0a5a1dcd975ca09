// Run-on-UI-thread: a worker queues its call as an idle callback and waits, like SendMessage.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "platform/linux/ui_internal.h"

namespace {

struct PendingCall {
    const std::function<void()>* work = nullptr;
    bool started = false;
    bool done = false;
    bool abandoned = false;
};

// Never destroyed: detached workers may still call in while the program ends.
struct Dispatch {
    std::mutex lock;
    std::condition_variable changed;
    bool initialised = false;
    bool open = false;
    std::thread::id uiThread;
    std::set<std::shared_ptr<PendingCall>> pending;
};

Dispatch& State() {
    static Dispatch* state = new Dispatch();
    return *state;
}

gboolean RunPendingCall(gpointer data) {
    auto& call = *static_cast<std::shared_ptr<PendingCall>*>(data);
    Dispatch& state = State();
    {
        std::lock_guard<std::mutex> hold(state.lock);
        if (call->abandoned || call->started) {
            return G_SOURCE_REMOVE;
        }
        call->started = true;
    }
    (*call->work)();
    {
        std::lock_guard<std::mutex> hold(state.lock);
        call->done = true;
        state.pending.erase(call);
    }
    state.changed.notify_all();
    return G_SOURCE_REMOVE;
}

void FreePendingCall(gpointer data) {
    delete static_cast<std::shared_ptr<PendingCall>*>(data);
}

}  // namespace

void RecordUiThread() {
    Dispatch& state = State();
    std::lock_guard<std::mutex> hold(state.lock);
    state.initialised = true;
    state.uiThread = std::this_thread::get_id();
}

bool OnUiThread() {
    Dispatch& state = State();
    std::lock_guard<std::mutex> hold(state.lock);
    return state.initialised && state.uiThread == std::this_thread::get_id();
}

void OpenUiDispatch() {
    Dispatch& state = State();
    std::lock_guard<std::mutex> hold(state.lock);
    state.open = true;
}

// Calls still queued get their default at once; a call already running finishes normally.
void CloseUiDispatch() {
    Dispatch& state = State();
    {
        std::lock_guard<std::mutex> hold(state.lock);
        state.open = false;
        for (const auto& call : state.pending) {
            if (!call->started) {
                call->abandoned = true;
            }
        }
        state.pending.clear();
    }
    state.changed.notify_all();
}

bool RunOnUiThread(const std::function<void()>& work) {
    Dispatch& state = State();
    auto call = std::make_shared<PendingCall>();
    call->work = &work;
    {
        std::unique_lock<std::mutex> hold(state.lock);
        if (!state.initialised || !state.open) {
            return false;
        }
        if (state.uiThread == std::this_thread::get_id()) {
            hold.unlock();
            work();
            return true;
        }
        state.pending.insert(call);
    }
    // Not g_main_context_invoke: once the loop has ended it would run the work on this thread.
    g_idle_add_full(G_PRIORITY_DEFAULT, RunPendingCall, new std::shared_ptr<PendingCall>(call),
                    FreePendingCall);
    std::unique_lock<std::mutex> hold(state.lock);
    state.changed.wait(hold, [&] { return call->done || call->abandoned; });
    return call->done;
}
