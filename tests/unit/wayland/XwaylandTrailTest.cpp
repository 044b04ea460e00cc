#include <gtest/gtest.h>

#include "platform/wayland/XwaylandTrail.h"

namespace brimble::wayland {
namespace {

// Each road ends with the X11 owner going; `carried` says whether the clipboard it leaves is its
// copy, which the keep-alive must answer when the compositor stays silent.
struct Road {
    const char* name;
    void (*walk)(XwaylandTrail&);
    bool carried;
};

const Road roads[] = {
    // KWin carries the X11 owner's copy over, "TARGETS" and all.
    {"x11 copy carried", [](XwaylandTrail& t) { t.xOwnerTaken(); t.waylandSelection(true, true); }, true},
    // Guards against taking over a live Wayland owner when an X11 owner that never reached the
    // Wayland side (no X11 window in front, so KWin refused it) quits.
    {"wayland copy after an x11 take", [](XwaylandTrail& t) { t.xOwnerTaken(); t.waylandSelection(true, false); }, false},
    {"wayland copy replaced the carried one",
     [](XwaylandTrail& t) { t.xOwnerTaken(); t.waylandSelection(true, true); t.waylandSelection(true, false); }, false},
    // Brimble's own offer, carried back to X11 by the compositor's window.
    {"own offer", [](XwaylandTrail& t) { t.xOwnerTaken(); t.waylandSelection(false, true); }, false},
    {"no x11 owner seen", [](XwaylandTrail& t) { t.waylandSelection(true, true); }, false},
    // A second owner goes after the first: the copy was answered already.
    {"gone twice", [](XwaylandTrail& t) { t.xOwnerTaken(); t.waylandSelection(true, true); t.xOwnerGone(); }, false},
    {"owner replaced by another x11 owner",
     [](XwaylandTrail& t) { t.xOwnerTaken(); t.waylandSelection(true, true); t.xOwnerTaken(); t.waylandSelection(true, true); },
     true},
};

TEST(XwaylandTrailTest, OwnerGoingLeavesItsCarriedCopyOnly)
{
    for (const Road& road : roads) {
        XwaylandTrail trail;
        road.walk(trail);
        EXPECT_EQ(trail.xOwnerGone(), road.carried) << road.name;
    }
}

TEST(XwaylandTrailTest, CompositorClearingTheCopyIsNotLeftBehind)
{
    XwaylandTrail trail;
    trail.xOwnerTaken();
    trail.waylandSelection(true, true);
    ASSERT_TRUE(trail.xOwnerGone());
    EXPECT_TRUE(trail.leftBehind());
    // Sway and Mutter announce an empty clipboard: the usual keep-alive answers that one.
    trail.waylandSelection(false, false);
    EXPECT_FALSE(trail.leftBehind());
}

TEST(XwaylandTrailTest, OnlyX11sOwnTargetListMarksACarriedCopy)
{
    EXPECT_TRUE(XwaylandTrail::listsX11Targets({"TARGETS", "text/plain;charset=utf-8"}));
    EXPECT_FALSE(XwaylandTrail::listsX11Targets({"text/plain", "UTF8_STRING", "targets"}));
    EXPECT_FALSE(XwaylandTrail::listsX11Targets({}));
}

} // namespace
} // namespace brimble::wayland
