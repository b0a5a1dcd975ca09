// What the layout tests share: places, a recording window procedure, a log of child moves, waits.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "layout/layout.h"
#include "layout/layout_testing.h"
#include "platform/ui.h"
#include "platform/ui_testing.h"
#include "platform/window.h"

// A rectangle in client coordinates, as the tests compare and print it.
struct Place {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Place&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Place& place) {
    return out << place.left << "," << place.top << " " << place.width << "x" << place.height;
}

struct SeenMessage {
    NativeWindow window = 0;
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    std::size_t movesBefore = 0;  // child moves made before the message reached us
};

struct SeenMove {
    NativeWindow child = 0;
    Place place;  // as passed to the move
};

inline std::vector<SeenMessage>& SeenMessages() {
    static std::vector<SeenMessage> messages;
    return messages;
}

inline std::vector<SeenMove>& SeenMoves() {
    static std::vector<SeenMove> moves;
    return moves;
}

// Stands for a host's own procedure: records what reaches it and answers something recognisable.
inline std::intptr_t RecordingProcedure(NativeWindow window, unsigned message,
                                        std::uintptr_t wParam, std::intptr_t lParam) {
    SeenMessages().push_back({window, message, wParam, lParam, SeenMoves().size()});
    return std::intptr_t(wParam) * 1000 + lParam;
}

inline void RecordMove(NativeWindow child, int left, int top, int width, int height) {
    SeenMoves().push_back({child, {left, top, width, height}});
}

inline std::vector<SeenMove> MovesOf(NativeWindow child) {
    std::vector<SeenMove> moves;
    for (const SeenMove& move : SeenMoves()) {
        if (move.child == child) {
            moves.push_back(move);
        }
    }
    return moves;
}

// Pumps the UI thread until done() holds or about five seconds have passed.
template <typename Done>
bool PumpUntil(Done done) {
    for (int round = 0; round < 250 && !done(); ++round) {
        UiPumpEvents(20);
    }
    return done();
}

// Where a registration measured the child.
inline Place Measured(const AnchorRecord& record) {
    return {record.left, record.top, record.width, record.height};
}

// Where the toolkit has really put a control of the main window.
inline Place Placed(const Text& name) {
    Place place;
    UiControlPlacement(name, &place.left, &place.top, &place.width, &place.height);
    return place;
}

// Waits until the control stands at the place; false after about three seconds.
inline bool WaitForPlace(const Text& name, const Place& place) {
    return PumpUntil([&] { return Placed(name) == place; });
}

inline WindowRect ClientRect(NativeWindow window) {
    WindowRect rect;
    PlatformGetClientRect(window, &rect);
    return rect;
}

inline WindowRect OuterRect(NativeWindow window) {
    WindowRect rect;
    PlatformGetWindowRect(window, &rect);
    return rect;
}

// Resizes a top-level window by its outer edges, keeping its place, and waits until its client
// area has followed and the resulting size message has been handled (the idle after it).
inline bool GrowWindow(NativeWindow window, int moreWidth, int moreHeight) {
    WindowRect outer = OuterRect(window);
    WindowRect client = ClientRect(window);
    PlatformMoveWindow(window, outer.left, outer.top, outer.right - outer.left + moreWidth,
                       outer.bottom - outer.top + moreHeight, true);
    bool followed = PumpUntil([&] {
        WindowRect now = ClientRect(window);
        return now.right == client.right + moreWidth && now.bottom == client.bottom + moreHeight;
    });
    UiPumpEvents(100);
    return followed;
}

class AnchorFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(UiInitialise()) << "no display: run under scripts/with-display";
        CreateAnchorRegistries();
        SeenMessages().clear();
        SeenMoves().clear();
        SetAnchorMoveObserver(RecordMove);
    }
    void TearDown() override { SetAnchorMoveObserver(nullptr); }
};
