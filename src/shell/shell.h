// The program's entry, the main window's life-cycle handlers, its layout and StartWorker.
#pragma once

#include <cstdint>

#include "platform/threads.h"
#include "platform/ui.h"

// The controls by their layout names, as every folder calls them. Never destroyed: a query
// thread may still name a control while the program's static values go at exit.
inline const Text& ProvinceBox = *new Text("组合框1");
inline const Text& CityBox = *new Text("组合框2");
inline const Text& BusyLabel = *new Text("透明标签3");
inline const Text& HeadingLabel = *new Text("透明标签4");
inline const Text& BrowserView = *new Text("超文本浏览框1");

int ProgramMain();
void OnMainWindowCreated();
void OnMainWindowDestroying();

// The main window as the user first sees it, with the handlers bound by name.
WindowLayout MainWindowLayout();

// The one way the program starts a thread: at once, default stack, detached unless keepHandle.
bool StartWorker(ThreadEntry entry, std::uintptr_t parameter, bool keepHandle,
                 ThreadHandle* handle = nullptr);
