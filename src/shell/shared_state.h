// The program's shared records: the start-up values every folder reads, and the query state.
#pragma once

#include <mutex>

#include "text/text.h"

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
