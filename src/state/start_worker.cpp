// StartWorker: every thread of the program starts here.
#include "state/state.h"

bool StartWorker(ThreadEntry entry, std::uintptr_t parameter, bool keepHandle,
                 ThreadHandle* handle) {
    ThreadHandle started = 0;
    bool created = PlatformCreateThread(entry, parameter, keepHandle, &started);
    if (handle != nullptr) {
        *handle = keepHandle ? started : 0;
    }
    return created;
}
