// The procedure that replaces a host's: moves its anchored children on every size change.
#include <algorithm>

#include "layout/anchor_math.h"
#include "layout/layout.h"
#include "layout/layout_testing.h"

namespace {

AnchorMoveObserver moveObserver = nullptr;

void MoveAnchoredChild(const AnchorRecord& anchor, NativeWindow host) {
    // Always from the stored measures, so rounding never piles up over many size changes.
    std::int32_t left = anchor.left;
    std::int32_t top = anchor.top;
    std::int32_t width = anchor.width;
    std::int32_t height = anchor.height;
    // The client area as it is now; the size in the message may be stale.
    WindowRect client;
    PlatformGetClientRect(host, &client);
    std::int32_t clientWidth = PixelDifference(client.right, client.left);
    std::int32_t clientHeight = PixelDifference(client.bottom, client.top);

    if (anchor.anchorRight != 0) {
        if (anchor.anchorLeft != 0) {
            width = PixelDifference(clientWidth, anchor.left, anchor.rightMargin);
        } else {
            left = PixelDifference(clientWidth, anchor.width, anchor.rightMargin);
        }
    }
    // No preset leaves both vertical edges free; such a child stays where it is, as it does
    // horizontally.
    if (anchor.anchorBottom != 0) {
        if (anchor.anchorTop != 0) {
            height = PixelDifference(clientHeight, anchor.top, anchor.bottomMargin);
        } else {
            top = PixelDifference(clientHeight, anchor.height, anchor.bottomMargin);
        }
    }

    if (moveObserver != nullptr) {
        moveObserver(anchor.child, left, top, width, height);
    }
    // A minimised host gives negative sizes; they are passed on as they are.
    PlatformMoveWindow(anchor.child, left, top, width, height, true);
}

}  // namespace

std::intptr_t HostWindowProcedure(NativeWindow window, unsigned message, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
    const std::vector<HostWindowRecord>& hosts = HostList();
    auto host = std::find_if(hosts.begin(), hosts.end(),
                             [&](const HostWindowRecord& each) { return each.window == window; });
    if (host == hosts.end()) {
        return 0;
    }
    WindowProcedure previous = host->previousProcedure;
    if (message == MessageSize) {
        // By index and by copy: a registration made while children move may grow the list.
        for (std::size_t i = 0; i < AnchorList().size(); ++i) {
            AnchorRecord anchor = AnchorList()[i];
            if (anchor.parent == window) {
                MoveAnchoredChild(anchor, window);
            }
        }
    }
    return PlatformCallWindowProcedure(previous, window, message, wParam, lParam);
}

void SetAnchorMoveObserver(AnchorMoveObserver observer) {
    moveObserver = observer;
}
