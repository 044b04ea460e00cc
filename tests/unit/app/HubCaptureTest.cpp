// What the controller tells capture about each change: the application in front when the copy
// was made, and whether the clipboard can still be watched at all.

#include <gtest/gtest.h>

#include "settings/Settings.h"
#include "support/HubFixture.h"
#include "unit/app/SnapshotReader.h"

namespace brimble {
namespace {

using test::HubFixture;

struct CaptureFixture : HubFixture {
    CaptureFixture()
    {
        launch();
        fake.host.showWindow();
    }
    rapidjson::Document lastSnapshot() const { return test::snapshotOf(lastRender()); }
    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const Clip& clip : hub->clip.items)
            out.push_back(clip.text);
        return out;
    }
};

// A slow owner's read ends after the user left the password manager: judging the application
// in front at the end of the read recorded the password.
TEST(HubCapture, ExcludedAppInFrontWhenTheCopyWasMadeIsJudgedNotTheOneInFrontAfterTheRead)
{
    CaptureFixture f;
    f.fake.defaults.setRaw("excludedApps", std::vector<std::string>{"org.keepassxc.KeePassXC"});
    f.fake.frontmost.app = "org.keepassxc.KeePassXC";
    f.fake.pasteboard.fireOwnerChanged();
    f.fake.frontmost.app = "org.gnome.gedit";
    f.fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, "hunter2");
    f.fake.pasteboard.fireWatch();
    EXPECT_TRUE(f.texts().empty());

    // The next copy, made in the editor, is judged by its own moment.
    f.fake.pasteboard.fireOwnerChanged();
    f.fake.frontmost.app = "org.keepassxc.KeePassXC";
    f.fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, "notes");
    f.fake.pasteboard.fireWatch();
    EXPECT_EQ(f.texts(), std::vector<std::string>{"notes"});
}

TEST(HubCapture, LostClipboardIsToldToThePageAndItsReturnToo)
{
    CaptureFixture f;
    const size_t pushes = f.renders();

    f.fake.pasteboard.connected = false;
    f.fake.pasteboard.fireWatch();
    EXPECT_EQ(f.renders(), pushes + 1);
    EXPECT_FALSE(f.lastSnapshot()["clipboardWatched"].GetBool());
    // Nothing new to say: no push.
    f.fake.pasteboard.fireWatch();
    EXPECT_EQ(f.renders(), pushes + 1);

    f.fake.pasteboard.connected = true;
    f.fake.pasteboard.fireWatch();
    EXPECT_TRUE(f.lastSnapshot()["clipboardWatched"].GetBool());
}

} // namespace
} // namespace brimble
