// What the controller tells capture about each change: the application in front when the copy
// was made, and whether the clipboard can still be watched at all.

#include <gtest/gtest.h>

#include "common/Sha256.h"
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

// A copy whose kept formats are still being read is recorded from its text at once; the formats
// come later. Whatever happens in between, they land on their own entry or nowhere, and nothing
// but formats read whole is ever written.
TEST(HubCapture, FormatsReadAfterTheTextLandOnTheirOwnEntryOrNowhere)
{
    const std::vector<ExtraFormat> html{{"text/html", "<p>office <b>copy</b></p>"}};
    enum class Between { Nothing, OwnerQuits, Deleted, SecondCopy, CopiedBack, AgainWithOlderFormats };
    struct Case {
        const char* name;
        Between between;
        bool secret;
        std::vector<std::string> officeFormats; // the entry's formats once they came
        bool offeredBack;                       // the keep-alive offers the HTML
    };
    const std::vector<Case> cases = {
        {"formats come", Between::Nothing, false, {"text/html"}, false},
        // Guards the keep-alive offering the text alone once the owner quits mid-read.
        {"the owner quits with the HTML whole", Between::OwnerQuits, false, {"text/html"}, true},
        {"the entry is deleted", Between::Deleted, false, {}, false},
        // Guards an older copy's formats landing on the newer entry.
        {"a second copy comes", Between::SecondCopy, false, {}, false},
        {"the entry is copied back", Between::CopiedBack, false, {"text/html"}, false},
        // The earlier copy's formats stand in until the newer ones come, then give way.
        {"copied again", Between::AgainWithOlderFormats, false, {"text/html"}, false},
        {"a secret", Between::Nothing, true, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CaptureFixture f;
        const std::set<std::string> types = c.secret
            ? std::set<std::string>{"public.utf8-plain-text", "text/html", "org.nspasteboard.ConcealedType"}
            : std::set<std::string>{"public.utf8-plain-text", "text/html"};
        if (c.between == Between::AgainWithOlderFormats) {
            f.fake.pasteboard.simulateCopy(types, "office copy");
            f.fake.pasteboard.currentFormats = {{"text/html", "<p>older</p>"}};
            f.fake.pasteboard.fireWatch();
        }
        f.fake.clock.time += 1;
        f.fake.pasteboard.simulateCopy(types, "office copy");
        f.fake.pasteboard.formatsFollow = true;
        const int64_t change = f.fake.pasteboard.count;
        f.fake.pasteboard.fireWatch();
        if (c.secret) {
            EXPECT_TRUE(f.hub->clip.items.empty()) << "nothing recorded before the formats";
        } else {
            ASSERT_EQ(f.texts(), std::vector<std::string>{"office copy"}) << "recorded before its formats";
            EXPECT_NE(test::readFile(f.dataDir() / "clipboard.json").find("office copy"), std::string::npos);
            EXPECT_EQ(f.hub->clip.items.front().formats.size(),
                      c.between == Between::AgainWithOlderFormats ? 1u : 0u);
        }
        const std::string id = c.secret ? std::string() : f.hub->clip.items.front().id;
        switch (c.between) {
        case Between::OwnerQuits:
            f.fake.pasteboard.simulateOwnerQuit();
            break;
        case Between::Deleted:
            f.hub->clip.remove(id);
            break;
        case Between::SecondCopy:
            f.fake.clock.time += 1;
            f.fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, "second");
            f.fake.pasteboard.fireWatch();
            break;
        case Between::CopiedBack:
            f.fake.log_.clear();
            f.hub->copyToPasteboard(id);
            EXPECT_EQ(f.fake.log(), (std::vector<std::string>{"pasteboard: clear", "pasteboard: text office copy"}));
            break;
        default:
            break;
        }
        f.fake.log_.clear();
        f.fake.pasteboard.simulateLateFormats(html, change);
        f.fake.loop.advance(0.3);
        std::vector<std::string> kept;
        for (const Clip& clip : f.hub->clip.items)
            if (clip.text.str() == "office copy")
                for (const ClipFormat& format : clip.formats)
                    kept.push_back(format.type);
        EXPECT_EQ(kept, c.officeFormats);
        if (c.between == Between::SecondCopy) {
            EXPECT_TRUE(f.hub->clip.items.front().formats.empty());
        }
        // Written only for an entry that took them.
        EXPECT_EQ(std::filesystem::exists(f.dataDir() / "clipboard-formats" / sha256Hex(html[0].bytes)),
                  !c.officeFormats.empty());
        const std::vector<std::string> offered = f.fake.log();
        EXPECT_EQ(std::ranges::count(offered, "pasteboard: format text/html " + html[0].bytes), c.offeredBack ? 1 : 0);
        EXPECT_FALSE(f.fake.pasteboard.takeLateFormats()) << "taken once";
    }
}

} // namespace
} // namespace brimble
