// The program's entry, the main window's life-cycle handlers and its layout.
#pragma once

#include "platform/ui.h"

int ProgramMain();
void OnMainWindowCreated();
void OnMainWindowDestroying();

// The main window as the user first sees it, with the handlers bound by name.
WindowLayout MainWindowLayout();
