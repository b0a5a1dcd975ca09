// Run-on-UI-thread: a worker posts its call to a message-only window and waits, as SendMessage
// would; unlike SendMessage, closing the main window releases every waiting worker at once.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>

#include "platform/win32/ui_internal.h"

namespace {

constexpr UINT runCallMessage = WM_APP + 1;

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
    DWORD uiThread = 0;
    HWND target = nullptr;
    std::set<std::shared_ptr<PendingCall>> pending;
};

Dispatch& State() {
    static Dispatch* state = new Dispatch();
    return *state;
}

void RunPendingCall(std::shared_ptr<PendingCall>* posted) {
    std::shared_ptr<PendingCall> call = *posted;
    delete posted;
    Dispatch& state = State();
    {
        std::lock_guard<std::mutex> hold(state.lock);
        if (call->abandoned || call->started) {
            return;
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
}

LRESULT CALLBACK DispatchProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == runCallMessage) {
        RunPendingCall(reinterpret_cast<std::shared_ptr<PendingCall>*>(lParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void RecordUiThread() {
    Dispatch& state = State();
    std::lock_guard<std::mutex> hold(state.lock);
    if (state.initialised) {
        return;
    }
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DispatchProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "LanchuanDispatch";
    RegisterClassA(&windowClass);
    // Message-only, and never destroyed, so a posted call always finds its way back here.
    state.target = CreateWindowExA(0, "LanchuanDispatch", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   windowClass.hInstance, nullptr);
    state.initialised = state.target != nullptr;
    state.uiThread = GetCurrentThreadId();
}

bool OnUiThread() {
    Dispatch& state = State();
    std::lock_guard<std::mutex> hold(state.lock);
    return state.initialised && state.uiThread == GetCurrentThreadId();
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
    // Wakes a message loop that waits in GetMessage, so it sees the window is gone.
    PostMessageA(state.target, WM_NULL, 0, 0);
}

bool RunOnUiThread(const std::function<void()>& work) {
    Dispatch& state = State();
    auto call = std::make_shared<PendingCall>();
    call->work = &work;
    HWND target = nullptr;
    {
        std::unique_lock<std::mutex> hold(state.lock);
        if (!state.initialised || !state.open) {
            return false;
        }
        if (state.uiThread == GetCurrentThreadId()) {
            hold.unlock();
            work();
            return true;
        }
        state.pending.insert(call);
        target = state.target;
    }
    auto* posted = new std::shared_ptr<PendingCall>(call);
    if (!PostMessageA(target, runCallMessage, 0, reinterpret_cast<LPARAM>(posted))) {
        delete posted;
        std::lock_guard<std::mutex> hold(state.lock);
        state.pending.erase(call);
        return false;
    }
    std::unique_lock<std::mutex> hold(state.lock);
    state.changed.wait(hold, [&] { return call->done || call->abandoned; });
    return call->done;
}
