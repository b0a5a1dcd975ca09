// Children kept at fixed distances from the edges of their parent window while it is resized.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/window.h"

// One registered child, measured in its host's client coordinates when it was registered.
struct AnchorRecord {
    NativeWindow parent = 0;
    NativeWindow child = 0;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t rightMargin = 0;
    std::int32_t bottomMargin = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    int anchorLeft = 0;
    int anchorTop = 0;
    int anchorRight = 0;
    int anchorBottom = 0;
};

// A parent with registered children, and the procedure it had before ours replaced it.
struct HostWindowRecord {
    NativeWindow window = 0;
    WindowProcedure previousProcedure = nullptr;
};

// The registries, in order of registration and of first sight. They only grow while the program
// runs and are touched on the UI thread only.
std::vector<AnchorRecord>& AnchorList();
std::vector<HostWindowRecord>& HostList();
// Empties both registries; called once when the shared state is created, before any registration
// (a host whose procedure was already replaced would lose its entry).
void CreateAnchorRegistries();

// Presets 1 to 6 stand for four edge flags (1: all four edges); any other preset does nothing.
void AnchorChild(NativeWindow child, int preset);
// Measures the child against its parent now and keeps those distances on every size change.
void RegisterAnchor(NativeWindow child, int anchorLeft, int anchorTop, int anchorRight,
                    int anchorBottom);
// Replaces each host's procedure: moves the host's children on a size message, then passes
// every message on to the replaced procedure and returns its result.
std::intptr_t HostWindowProcedure(NativeWindow window, unsigned message, std::uintptr_t wParam,
                                  std::intptr_t lParam);
