// Threads: started at once with the default stack, detached unless their handle is kept.
#pragma once

#include <cstdint>

using ThreadEntry = void (*)(std::uintptr_t parameter);
using ThreadHandle = std::uintptr_t;  // 0 is no handle

// Starts entry(parameter) on a new thread. With keepHandle the handle comes back in *handle and
// the caller closes it with PlatformCloseThread; otherwise the thread is detached at once.
bool PlatformCreateThread(ThreadEntry entry, std::uintptr_t parameter, bool keepHandle,
                          ThreadHandle* handle);
// Waits for a kept thread to end, then closes its handle.
void PlatformWaitThread(ThreadHandle handle);
// Closes a kept handle without waiting; the thread runs on, detached.
void PlatformCloseThread(ThreadHandle handle);
