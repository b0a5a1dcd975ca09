// The program's state that every folder above it reads: the shared records, the controls'
// layout names, and StartWorker, the one way the program starts a thread.
#pragma once

#include <cstdint>
#include <mutex>

#include "platform/threads.h"
#include "text/text.h"

// The controls by their layout names, as every folder calls them. Constant arrays: nothing to
// destroy, so a query thread may still name a control while the program's static values go at
// exit.
inline constexpr char ProvinceBox[] = "组合框1";
inline constexpr char CityBox[] = "组合框2";
inline constexpr char BusyLabel[] = "透明标签3";
inline constexpr char HeadingLabel[] = "透明标签4";
inline constexpr char BrowserView[] = "超文本浏览框1";

struct AppSettingsRecord {
    Text appName;
    Text settingsPath;
    Text version;
    Text dataDir;
};

struct QueryStateRecord {
    Text url;
    Text cityTitle;
};

// AppSettings, imageDir and cityTablePath are written only on the UI thread before the loader
// thread starts, and only read afterwards.
AppSettingsRecord& AppSettings();
Text& ImageDir();
Text& CityTablePath();
// The query state; hold QueryStateLock() while reading or writing it from a thread.
QueryStateRecord& QueryState();
std::mutex& QueryStateLock();

// Empties every shared value. The records themselves are never freed, so a detached worker that
// still reads them while the program ends never touches freed memory.
void CreateSharedState();
void ReleaseSharedState();

// The one way the program starts a thread: at once, default stack, detached unless keepHandle.
bool StartWorker(ThreadEntry entry, std::uintptr_t parameter, bool keepHandle,
                 ThreadHandle* handle = nullptr);
