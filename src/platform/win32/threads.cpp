// Threads over CreateThread; a kept handle is the thread's own handle.
#include <windows.h>

#include <new>

#include "platform/threads.h"

namespace {

struct Start {
    ThreadEntry entry;
    std::uintptr_t parameter;
};

DWORD WINAPI RunThread(void* argument) {
    Start start = *static_cast<Start*>(argument);
    delete static_cast<Start*>(argument);
    start.entry(start.parameter);
    return 0;
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
    Start* start = new (std::nothrow) Start{entry, parameter};
    if (start == nullptr) {
        return false;
    }
    HANDLE thread = CreateThread(nullptr, 0, RunThread, start, 0, nullptr);
    if (thread == nullptr) {
        delete start;
        return false;
    }
    if (!keepHandle || handle == nullptr) {
        CloseHandle(thread);
        return true;
    }
    *handle = reinterpret_cast<ThreadHandle>(thread);
    return true;
}

// A thread that waits for itself would wait for ever; it only lets its handle go.
void PlatformWaitThread(ThreadHandle handle) {
    if (handle == 0) {
        return;
    }
    HANDLE thread = reinterpret_cast<HANDLE>(handle);
    if (GetThreadId(thread) != GetCurrentThreadId()) {
        WaitForSingleObject(thread, INFINITE);
    }
    CloseHandle(thread);
}

void PlatformCloseThread(ThreadHandle handle) {
    if (handle != 0) {
        CloseHandle(reinterpret_cast<HANDLE>(handle));
    }
}
