// Registration of anchored children: presets, measures, and the host procedure put in once.
#include <algorithm>

#include "layout/anchor_math.h"
#include "layout/layout.h"

namespace {

struct Preset {
    int anchorLeft;
    int anchorTop;
    int anchorRight;
    int anchorBottom;
};

constexpr Preset presets[] = {
    {1, 1, 1, 1},  // 1: stretches with all four edges
    {1, 0, 0, 1},  // 2: moves with the bottom edge
    {0, 0, 1, 1},  // 3: moves with the bottom right corner
    {1, 1, 0, 1},  // 4: height follows the parent
    {1, 0, 1, 1},  // 5: width follows, moves with the bottom edge
    {0, 1, 1, 1},  // 6: moves with the right edge, height follows
};

// The host's client area in screen coordinates. Windows code derives it from the frame, taking
// the bottom border as wide as the side ones; window managers that draw a thicker bottom edge
// (openbox's handle) would shift every child up by the difference, so ask for the origin.
WindowRect ClientAreaOnScreen(NativeWindow host) {
    WindowRect client;
    PlatformGetClientRect(host, &client);
    int left = 0;
    int top = 0;
    PlatformGetClientOrigin(host, &left, &top);
    return {left, top, left + PixelDifference(client.right, client.left),
            top + PixelDifference(client.bottom, client.top)};
}

int Flag(int value) {
    return value != 0 ? 1 : 0;
}

}  // namespace

void AnchorChild(NativeWindow child, int preset) {
    if (preset < 1 || preset > int(std::size(presets))) {
        return;
    }
    const Preset& flags = presets[preset - 1];
    RegisterAnchor(child, flags.anchorLeft, flags.anchorTop, flags.anchorRight, flags.anchorBottom);
}

void RegisterAnchor(NativeWindow child, int anchorLeft, int anchorTop, int anchorRight,
                    int anchorBottom) {
    NativeWindow parent = PlatformGetParent(child);
    // A window without a parent (or a handle that is gone) has nothing to be anchored to.
    if (parent == 0) {
        return;
    }
    WindowRect childRect;
    PlatformGetWindowRect(child, &childRect);
    WindowRect area = ClientAreaOnScreen(parent);

    AnchorRecord record;
    record.parent = parent;
    record.child = child;
    record.left = PixelDifference(childRect.left, area.left);
    record.top = PixelDifference(childRect.top, area.top);
    record.rightMargin = PixelDifference(area.right, childRect.right);
    record.bottomMargin = PixelDifference(area.bottom, childRect.bottom);
    record.width = PixelDifference(childRect.right, childRect.left);
    record.height = PixelDifference(childRect.bottom, childRect.top);
    record.anchorLeft = Flag(anchorLeft);
    record.anchorTop = Flag(anchorTop);
    record.anchorRight = Flag(anchorRight);
    record.anchorBottom = Flag(anchorBottom);

    std::vector<AnchorRecord>& anchors = AnchorList();
    auto known = std::find_if(anchors.begin(), anchors.end(),
                              [&](const AnchorRecord& each) { return each.child == child; });
    if (known != anchors.end()) {
        *known = record;
    } else {
        anchors.push_back(record);
    }

    std::vector<HostWindowRecord>& hosts = HostList();
    bool hostKnown = std::any_of(hosts.begin(), hosts.end(), [&](const HostWindowRecord& each) {
        return each.window == parent;
    });
    if (hostKnown) {
        return;
    }
    // The entry goes in first, so our procedure finds it from the very first message.
    hosts.push_back({parent, PlatformGetWindowProcedure(parent)});
    PlatformSetWindowProcedure(parent, HostWindowProcedure);
}
