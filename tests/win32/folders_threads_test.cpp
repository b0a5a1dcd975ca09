// The Windows special folders, temporary folder and threads, against what the system reports.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>

#include "platform/folders.h"
#include "platform/threads.h"

namespace {

std::string SystemAnswer(UINT (*call)(LPSTR, UINT)) {
    char buffer[MAX_PATH + 1] = {};
    const UINT length = call(buffer, sizeof buffer);
    return std::string(buffer, length);
}

UINT WINAPI WindowsFolder(LPSTR buffer, UINT size) {
    return GetWindowsDirectoryA(buffer, size);
}
UINT WINAPI SystemFolder(LPSTR buffer, UINT size) {
    return GetSystemDirectoryA(buffer, size);
}

TEST(Win32Folders, SpecialFoldersAreTheSystems) {
    EXPECT_EQ(PlatformSpecialFolder(36), SystemAnswer(WindowsFolder));
    EXPECT_EQ(PlatformSpecialFolder(37), SystemAnswer(SystemFolder));
    for (int csidl : {0, 5, 26, 36, 37, 38}) {
        const Text folder = PlatformSpecialFolder(csidl);
        ASSERT_GT(folder.size(), 3u) << csidl;
        EXPECT_NE(folder.back(), '\\') << csidl;
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES) << csidl;
        EXPECT_NE(attributes & FILE_ATTRIBUTE_DIRECTORY, 0u) << csidl;
    }
    EXPECT_EQ(PlatformSpecialFolder(9999), "");
}

TEST(Win32Folders, TempPathFitsTheBufferOrIsEmpty) {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof buffer, buffer);
    ASSERT_GT(length, 3u);
    EXPECT_EQ(PlatformTempPath(255), std::string(buffer, length));
    EXPECT_EQ(PlatformTempPath(255).back(), '\\');
    EXPECT_EQ(PlatformTempPath(length + 1), std::string(buffer, length));
    EXPECT_EQ(PlatformTempPath(length), "");
    EXPECT_EQ(PlatformTempPath(0), "");
}

std::atomic<int> ran{0};
HANDLE done = nullptr;

void Count(std::uintptr_t parameter) {
    ran += static_cast<int>(parameter);
    SetEvent(done);
}

void WaitForItself(std::uintptr_t handleSlot) {
    PlatformWaitThread(*reinterpret_cast<ThreadHandle*>(handleSlot));
    SetEvent(done);
}

TEST(Win32Threads, StartDetachedAndKept) {
    done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(done, nullptr);
    ran = 0;
    EXPECT_TRUE(PlatformCreateThread(Count, 2, false, nullptr));
    EXPECT_EQ(WaitForSingleObject(done, INFINITE), WAIT_OBJECT_0);
    ThreadHandle kept = 0;
    EXPECT_TRUE(PlatformCreateThread(Count, 3, true, &kept));
    EXPECT_NE(kept, 0u);
    PlatformWaitThread(kept);
    EXPECT_EQ(ran.load(), 5);
    EXPECT_FALSE(PlatformCreateThread(nullptr, 0, true, &kept));
    EXPECT_EQ(kept, 0u);
    CloseHandle(done);
}

// A thread that waits for its own handle lets it go instead of waiting for ever.
TEST(Win32Threads, WaitingForItselfReturns) {
    done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    static std::atomic<ThreadHandle> slot{0};
    ThreadHandle self = 0;
    ASSERT_TRUE(PlatformCreateThread(
        [](std::uintptr_t) {
            while (slot.load() == 0) {
                Sleep(1);
            }
            ThreadHandle own = slot.load();
            WaitForItself(reinterpret_cast<std::uintptr_t>(&own));
        },
        0, true, &self));
    slot = self;
    EXPECT_EQ(WaitForSingleObject(done, INFINITE), WAIT_OBJECT_0);
    CloseHandle(done);
}

}  // namespace
