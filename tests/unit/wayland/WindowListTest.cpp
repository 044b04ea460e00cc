#include <gtest/gtest.h>

#include "platform/wayland/WindowList.h"

namespace brimble::wayland {
namespace {

class WindowListTest : public testing::Test {
protected:
    uint64_t open(const std::string& appId)
    {
        const uint64_t window = windows.add();
        windows.announceAppId(window, appId);
        windows.announceActivated(window, true);
        windows.done(window);
        return window;
    }

    void focus(uint64_t window, uint64_t from)
    {
        windows.announceActivated(window, true);
        windows.done(window);
        windows.announceActivated(from, false);
        windows.done(from);
    }

    WindowList windows{"brimble"};
};

TEST_F(WindowListTest, ChangesTakeEffectOnlyAtDone)
{
    const uint64_t editor = windows.add();
    windows.announceAppId(editor, "org.gnome.gedit");
    windows.announceActivated(editor, true);
    EXPECT_EQ(windows.activeAppId(), std::nullopt);
    windows.done(editor);
    EXPECT_EQ(windows.activeAppId(), "org.gnome.gedit");
}

TEST_F(WindowListTest, WindowThatLostTheKeyboardIsNotActiveAgainAtItsNextDone)
{
    // sway sends a "done" for a title change without the state: the window's earlier
    // "activated" must not come back and make two windows active at once.
    const uint64_t secret = open("keepassxc");
    const uint64_t plain = open("gedit");
    windows.announceActivated(secret, true);
    windows.done(secret);
    windows.announceAppId(plain, "gedit");
    windows.done(plain);
    EXPECT_EQ(windows.activeAppId(), "keepassxc");
    focus(plain, secret);
    EXPECT_EQ(windows.activeAppId(), "gedit");
}

TEST_F(WindowListTest, WindowGainingTheKeyboardBeforeTheOtherLetsGoIsTheOnlyActiveOne)
{
    const uint64_t first = open("first");
    const uint64_t second = open("second");
    // The newly focused window reports first; the other one reports its loss later, if ever.
    windows.announceActivated(first, true);
    windows.done(first);
    EXPECT_EQ(windows.activeAppId(), "first");
    windows.announceActivated(second, false);
    windows.done(second);
    EXPECT_EQ(windows.activeAppId(), "first");
}

TEST_F(WindowListTest, LastOtherWindowSkipsTheProgramsOwnAndForgetsClosedOnes)
{
    const uint64_t editor = open("gedit");
    const uint64_t own = open("brimble");
    EXPECT_EQ(windows.activeAppId(), "brimble");
    EXPECT_EQ(windows.lastOther(), editor);
    windows.close(editor);
    EXPECT_EQ(windows.lastOther(), 0u);
    EXPECT_FALSE(windows.contains(editor));
    EXPECT_TRUE(windows.contains(own));
}

TEST_F(WindowListTest, NumbersAreNeverReused)
{
    // A paste aimed at a closed window must not reach a new one that took its place.
    const uint64_t closed = open("gone");
    windows.close(closed);
    EXPECT_NE(windows.add(), closed);
}

TEST_F(WindowListTest, EventsForUnknownWindowsAreIgnored)
{
    windows.announceAppId(42, "ghost");
    windows.announceActivated(42, true);
    windows.done(42);
    windows.close(42);
    EXPECT_EQ(windows.activeAppId(), std::nullopt);
}

} // namespace
} // namespace brimble::wayland
