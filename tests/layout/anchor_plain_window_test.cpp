// Anchoring on plain windows under a real display: measures, presets, hosts and message passing.
#include "anchor_fixture.h"
#include "platform/ui_testing.h"

namespace {

// A shown top-level plain window whose own procedure records what reaches it, and an unanchored
// 1 x 1 probe at its client origin to turn screen rectangles into client coordinates.
struct Host {
    NativeWindow window = 0;
    NativeWindow probe = 0;

    NativeWindow Child(const Place& place) const {
        return PlatformCreatePlainWindow(window, place.left, place.top, place.width, place.height);
    }
    NativeWindow AnchoredChild(const Place& place, int preset) const {
        NativeWindow child = Child(place);
        AnchorChild(child, preset);
        return child;
    }
    Place Where(NativeWindow child) const {
        WindowRect origin = OuterRect(probe);
        WindowRect rect = OuterRect(child);
        return {rect.left - origin.left, rect.top - origin.top, rect.right - rect.left,
                rect.bottom - rect.top};
    }
};

class PlainWindowTest : public AnchorFixture {
  protected:
    Host OpenHost(int left, int top) {
        Host host;
        host.window = PlatformCreatePlainWindow(0, left, top, 800, 400);
        EXPECT_NE(host.window, NativeWindow(0));
        host.probe = PlatformCreatePlainWindow(host.window, 0, 0, 1, 1);
        PlatformSetWindowProcedure(host.window, RecordingProcedure);
        // Mapped, framed by the window manager, and its first size messages are over.
        EXPECT_TRUE(PumpUntil([&] {
            WindowRect client = ClientRect(host.window);
            return client.right == 800 && client.bottom == 400;
        }));
        UiPumpEvents(300);
        hosts_.push_back(host.window);
        return host;
    }
    void TearDown() override {
        for (NativeWindow window : hosts_) {
            PlatformDestroyPlainWindow(window);
        }
        AnchorFixture::TearDown();
    }
    std::vector<NativeWindow> hosts_;
};

TEST_F(PlainWindowTest, WorkedExampleStretchesByTheGrowthAndShrinksBackExactly) {
    Host host = OpenHost(100, 80);
    NativeWindow child = host.AnchoredChild({16, 136, 752, 232}, 1);

    ASSERT_EQ(AnchorList().size(), 1u);
    const AnchorRecord& record = AnchorList()[0];
    EXPECT_EQ(record.parent, host.window);
    EXPECT_EQ(record.child, child);
    EXPECT_EQ(Measured(record), (Place{16, 136, 752, 232}));
    EXPECT_EQ(record.rightMargin, 800 - 768);
    EXPECT_EQ(record.bottomMargin, 400 - 368);
    EXPECT_EQ(record.anchorLeft + record.anchorTop + record.anchorRight + record.anchorBottom, 4);
    ASSERT_EQ(HostList().size(), 1u);
    EXPECT_EQ(HostList()[0].window, host.window);
    EXPECT_EQ(HostList()[0].previousProcedure, &RecordingProcedure);
    EXPECT_EQ(PlatformGetWindowProcedure(host.window), &HostWindowProcedure);

    ASSERT_TRUE(GrowWindow(host.window, 100, 50));
    EXPECT_EQ(host.Where(child), (Place{16, 136, 852, 282}));
    // The host's own procedure saw the size message after the child had moved there.
    ASSERT_FALSE(SeenMessages().empty());
    const SeenMessage& size = SeenMessages().back();
    EXPECT_EQ(size.message, MessageSize);
    EXPECT_EQ(size.lParam, std::intptr_t(900 | (450 << 16)));
    ASSERT_GE(size.movesBefore, 1u);
    EXPECT_EQ(SeenMoves()[size.movesBefore - 1].place, (Place{16, 136, 852, 282}));

    ASSERT_TRUE(GrowWindow(host.window, -100, -50));
    EXPECT_EQ(host.Where(child), (Place{16, 136, 752, 232}));
}

struct PresetCase {
    int preset;
    Place after;  // the child at 40,60 200x100 once the 800x400 host has grown by 100 x 50
};

void PrintTo(const PresetCase& each, std::ostream* out) {
    *out << "preset " << each.preset << " -> " << each.after;
}

class PresetTest : public PlainWindowTest, public ::testing::WithParamInterface<PresetCase> {};

TEST_P(PresetTest, ChildKeepsTheEdgesOfItsPreset) {
    Host host = OpenHost(60, 60);
    NativeWindow child = host.AnchoredChild({40, 60, 200, 100}, GetParam().preset);
    ASSERT_TRUE(GrowWindow(host.window, 100, 50));
    EXPECT_EQ(host.Where(child), GetParam().after);
    ASSERT_TRUE(GrowWindow(host.window, -100, -50));
    EXPECT_EQ(host.Where(child), (Place{40, 60, 200, 100}));
}

INSTANTIATE_TEST_SUITE_P(
    AllPresets, PresetTest,
    ::testing::Values(PresetCase{1, {40, 60, 300, 150}}, PresetCase{2, {40, 110, 200, 100}},
                      PresetCase{3, {140, 110, 200, 100}}, PresetCase{4, {40, 60, 200, 150}},
                      PresetCase{5, {40, 110, 300, 100}}, PresetCase{6, {140, 60, 200, 150}}),
    [](const auto& info) { return "Preset" + std::to_string(info.param.preset); });

TEST_F(PlainWindowTest, PresetsOutsideOneToSixRegisterNothing) {
    Host host = OpenHost(60, 60);
    NativeWindow child = host.Child({40, 60, 200, 100});
    for (int preset : {0, 7, -1, 100}) {
        AnchorChild(child, preset);
    }
    EXPECT_TRUE(AnchorList().empty());
    EXPECT_TRUE(HostList().empty());
    EXPECT_EQ(PlatformGetWindowProcedure(host.window), &RecordingProcedure);
    ASSERT_TRUE(GrowWindow(host.window, 100, 50));
    EXPECT_EQ(host.Where(child), (Place{40, 60, 200, 100}));
    EXPECT_TRUE(SeenMoves().empty());
}

TEST_F(PlainWindowTest, RegisteringAgainKeepsOneEntryWithTheNewMeasures) {
    Host host = OpenHost(60, 60);
    NativeWindow child = host.AnchoredChild({40, 60, 200, 100}, 1);
    PlatformMoveWindow(child, 50, 70, 120, 80, true);
    AnchorChild(child, 3);

    ASSERT_EQ(AnchorList().size(), 1u);
    const AnchorRecord& record = AnchorList()[0];
    EXPECT_EQ(Measured(record), (Place{50, 70, 120, 80}));
    EXPECT_EQ(record.rightMargin, 800 - 170);
    EXPECT_EQ(record.bottomMargin, 400 - 150);
    EXPECT_EQ(record.anchorLeft, 0);
    EXPECT_EQ(record.anchorTop, 0);
    EXPECT_EQ(record.anchorRight, 1);
    EXPECT_EQ(record.anchorBottom, 1);
    EXPECT_EQ(HostList().size(), 1u);

    ASSERT_TRUE(GrowWindow(host.window, 100, 50));
    EXPECT_EQ(host.Where(child), (Place{150, 120, 120, 80}));
}

// Replacing twice would make our procedure its own predecessor: every message would loop.
TEST_F(PlainWindowTest, SecondChildOfAHostDoesNotReplaceItsProcedureAgain) {
    Host host = OpenHost(60, 60);
    NativeWindow first = host.AnchoredChild({40, 60, 200, 100}, 1);
    NativeWindow second = host.AnchoredChild({300, 60, 200, 100}, 3);

    ASSERT_EQ(AnchorList().size(), 2u);
    EXPECT_EQ(AnchorList()[0].child, first);
    EXPECT_EQ(AnchorList()[1].child, second);
    ASSERT_EQ(HostList().size(), 1u);
    EXPECT_EQ(HostList()[0].previousProcedure, &RecordingProcedure);
    EXPECT_EQ(PlatformGetWindowProcedure(host.window), &HostWindowProcedure);

    SeenMessages().clear();
    SeenMoves().clear();
    PlatformSendMessage(host.window, MessageSize, 0, 0);
    ASSERT_EQ(SeenMessages().size(), 1u);
    EXPECT_EQ(SeenMessages()[0].movesBefore, 2u);
    ASSERT_EQ(SeenMoves().size(), 2u);
    EXPECT_EQ(SeenMoves()[0].child, first);
    EXPECT_EQ(SeenMoves()[1].child, second);

    // Any other message goes straight through, parameters and result unchanged.
    EXPECT_EQ(PlatformSendMessage(host.window, 0x0400, 3, 4), 3004);
    ASSERT_EQ(SeenMessages().size(), 2u);
    EXPECT_EQ(SeenMessages()[1].message, 0x0400u);
    EXPECT_EQ(SeenMessages()[1].window, host.window);
    EXPECT_EQ(SeenMoves().size(), 2u);
}

TEST_F(PlainWindowTest, SizeMessageOfOneHostLeavesOtherHostsChildrenAlone) {
    Host one = OpenHost(20, 20);
    Host other = OpenHost(200, 300);
    NativeWindow mine = one.AnchoredChild({40, 60, 200, 100}, 1);
    NativeWindow theirs = other.AnchoredChild({40, 60, 200, 100}, 1);
    ASSERT_EQ(HostList().size(), 2u);

    SeenMoves().clear();
    ASSERT_TRUE(GrowWindow(one.window, 100, 50));
    EXPECT_EQ(one.Where(mine), (Place{40, 60, 300, 150}));
    EXPECT_FALSE(MovesOf(mine).empty());
    EXPECT_TRUE(MovesOf(theirs).empty());
    EXPECT_EQ(other.Where(theirs), (Place{40, 60, 200, 100}));
}

TEST_F(PlainWindowTest, ChildWithoutParentRegistersNothing) {
    Host host = OpenHost(60, 60);
    AnchorChild(host.window, 1);
    AnchorChild(NativeWindow(12345), 1);
    EXPECT_TRUE(AnchorList().empty());
    EXPECT_TRUE(HostList().empty());
}

}  // namespace
