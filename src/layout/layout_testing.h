// For tests only: watching the moves the layout makes.
#pragma once

#include "platform/window.h"

// When set, sees every child move HostWindowProcedure makes, with the values it passed, before
// the move is made.
using AnchorMoveObserver = void (*)(NativeWindow child, int left, int top, int width, int height);
void SetAnchorMoveObserver(AnchorMoveObserver observer);
