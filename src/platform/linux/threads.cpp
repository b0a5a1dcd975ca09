// Threads over std::thread; kept handles live in a table until they are waited for or closed.
#include "platform/threads.h"

#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// Never destroyed, like the table: detached workers may still close handles while the program
// ends.
std::mutex& TableLock() {
    static auto* lock = new std::mutex();
    return *lock;
}
std::map<ThreadHandle, std::unique_ptr<std::thread>>& KeptThreads() {
    // Never destroyed: detached workers may still close handles while the program ends.
    static auto* table = new std::map<ThreadHandle, std::unique_ptr<std::thread>>();
    return *table;
}
ThreadHandle nextHandle = 1;

std::unique_ptr<std::thread> TakeThread(ThreadHandle handle) {
    std::lock_guard<std::mutex> hold(TableLock());
    auto found = KeptThreads().find(handle);
    if (found == KeptThreads().end()) {
        return nullptr;
    }
    std::unique_ptr<std::thread> thread = std::move(found->second);
    KeptThreads().erase(found);
    return thread;
}

}  // namespace

bool PlatformCreateThread(ThreadEntry entry, std::uintptr_t parameter, bool keepHandle,
                          ThreadHandle* handle) {
    if (handle != nullptr) {
        *handle = 0;
    }
    if (entry == nullptr) {
        return false;
    }
    std::unique_ptr<std::thread> thread;
    try {
        thread = std::make_unique<std::thread>(entry, parameter);
    } catch (...) {
        return false;
    }
    if (!keepHandle || handle == nullptr) {
        thread->detach();
        return true;
    }
    std::lock_guard<std::mutex> hold(TableLock());
    *handle = nextHandle++;
    KeptThreads()[*handle] = std::move(thread);
    return true;
}

void PlatformWaitThread(ThreadHandle handle) {
    std::unique_ptr<std::thread> thread = TakeThread(handle);
    if (thread && thread->joinable()) {
        if (thread->get_id() == std::this_thread::get_id()) {
            thread->detach();
        } else {
            thread->join();
        }
    }
}

void PlatformCloseThread(ThreadHandle handle) {
    std::unique_ptr<std::thread> thread = TakeThread(handle);
    if (thread && thread->joinable()) {
        thread->detach();
    }
}
