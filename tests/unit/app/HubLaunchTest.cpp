#include <gtest/gtest.h>

#include "settings/Settings.h"
#include "support/HubFixture.h"
#include "history/ClipCodec.h"

namespace brimble {
namespace {

using test::HubFixture;

std::vector<std::string> withoutDefaultsLines(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    for (const auto& line : lines)
        if (!line.starts_with("defaults:"))
            out.push_back(line);
    return out;
}

TEST(HubLaunch, RunsEveryStepInItsFixedOrder)
{
    HubFixture f;
    f.launch();
    const std::vector<std::string> expected = {
        "menubar: Brimble, File, Edit, Capture, Window",
        "shell: appearance system",
        "shell: policy regular",
        "shortcut: bind <Control><Alt>v",
        "status item: Show Brimble <Control><Alt>v, -, Show in Dock [x], Start at Login [ ], -, Quit Brimble",
        "window: create Brimble 980x640 min 520x380 autosave BrimbleMainWindow",
        // Keys typed before the page has drawn wait for it.
        "keys: hold",
        "engine: prepare",
        "webview: create devtools=0 scheme=vellumo channel=pr2Clip",
        "webview: load vellumo://clipboard/index.html",
        "shell: appearance system",
        "window: show",
        "pasteboard: watch",
    };
    EXPECT_EQ(withoutDefaultsLines(f.fake.log()), expected);
}

TEST(HubLaunch, FirstRunMakesTheDefaultSessionAndRemembersIt)
{
    HubFixture f;
    Hub& hub = f.launch();
    ASSERT_EQ(hub.sessions.sessions.size(), 1u);
    EXPECT_EQ(hub.sessions.sessions[0].name, "Default");
    EXPECT_EQ(f.fake.defaults.stringValue(Def::activeSessionId), hub.sessions.sessions[0].id);
    EXPECT_TRUE(f.fake.defaults.boolValue(Def::importOfferDone).value_or(false));
    EXPECT_TRUE(std::filesystem::exists(f.dataDir() / "sessions.json"));
    // Every launch rewrites the history file, even an empty one.
    EXPECT_EQ(test::readFile(f.dataDir() / "clipboard.json"), "[]");
    EXPECT_EQ(test::fileMode(f.dataDir() / "clipboard.json"), 0600);
}

// A session id left over from a missing sessions file must not leave the window on nothing; it
// is kept, so that the session comes back with its file.
TEST(HubLaunch, StaleActiveSessionIsKeptWhileTheFirstSessionIsInUse)
{
    HubFixture f;
    f.fake.defaults.setString(Def::activeSessionId, "NO-SUCH-SESSION");
    Hub& hub = f.launch();
    EXPECT_EQ(f.fake.defaults.stringValue(Def::activeSessionId), "NO-SUCH-SESSION");
    EXPECT_EQ(hub.currentSessionId(), hub.sessions.sessions[0].id);
}

TEST(HubLaunch, HiddenDockStartsAsAccessoryAndStillShowsTheWindow)
{
    HubFixture f;
    f.fake.defaults.setBool(Def::dockVisible, false);
    f.launch();
    EXPECT_EQ(f.fake.log_.matching("shell: policy"), std::vector<std::string>{"shell: policy accessory"});
    EXPECT_EQ(f.fake.log_.matching("window: show").size(), 1u);
    EXPECT_EQ(f.fake.log_.matching("status item:"),
              std::vector<std::string>{"status item: Show Brimble <Control><Alt>v, -, Show in Dock [ ], "
                                       "Start at Login [ ], -, Quit Brimble"});
}

TEST(HubLaunch, DevtoolsSettingEnablesTheInspector)
{
    HubFixture f;
    f.fake.defaults.setBool(Def::devtools, true);
    f.launch();
    EXPECT_EQ(f.fake.log_.matching("webview: create"),
              std::vector<std::string>{"webview: create devtools=1 scheme=vellumo channel=pr2Clip"});
}

// Text already on the clipboard when the program starts is not something the user just copied.
TEST(HubLaunch, ClipboardContentAtStartIsNotRecorded)
{
    HubFixture f;
    f.fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, std::string("before start"));
    Hub& hub = f.launch();
    f.fake.pasteboard.fireWatch();
    EXPECT_TRUE(hub.clip.items.empty());
    EXPECT_TRUE(f.fake.host.scripts.empty()) << "nothing changed, so nothing is pushed";
}

TEST(HubLaunch, ClipboardIsWatchedOnlyOnce)
{
    HubFixture f;
    Hub& hub = f.launch();
    hub.startClipTimer();
    EXPECT_EQ(f.fake.pasteboard.watchCalls, 1);
}

TEST(HubLaunch, LaunchPushesNoStateUntilThePageAsks)
{
    HubFixture f;
    Hub& hub = f.launch();
    EXPECT_TRUE(f.fake.host.scripts.empty());
    hub.didReceiveScriptMessage("pr2Clip", R"({"cmd":"list"})");
    ASSERT_EQ(f.fake.host.scripts.size(), 2u);
    EXPECT_TRUE(f.fake.host.scripts[0].starts_with("window.__pr2clip && window.__pr2clip.render("));
    // Drawn, the new page is asked to say when the keys held for it may come; nobody asked
    // for the search field at launch.
    EXPECT_EQ(f.fake.host.scripts[1], "window.__pr2clip.readyForKeys('')");
    EXPECT_EQ(f.fake.log_.matching("keys:"), std::vector<std::string>{"keys: hold"});
    hub.didReceiveScriptMessage("pr2Clip", R"({"cmd":"keysReady"})");
    EXPECT_EQ(f.fake.log_.matching("keys:"), (std::vector<std::string>{"keys: hold", "keys: release"}));
}

TEST(HubLaunch, OrphanEntriesJoinTheFirstSessionAndTheLimitApplies)
{
    HubFixture f;
    std::vector<Clip> clips;
    for (int i = 0; i < 60; ++i)
        clips.push_back({.id = "ID-" + std::to_string(i), .ts = double(i), .text = "t" + std::to_string(i)});
    test::writeFile(f.dataDir() / "clipboard.json", encodeClips(clips).value());
    Hub& hub = f.launch();
    ASSERT_EQ(hub.clip.items.size(), 50u);
    for (const auto& clip : hub.clip.items)
        EXPECT_EQ(clip.sessionId, hub.sessions.sessions[0].id);
    const auto saved = decodeClips(test::readFile(f.dataDir() / "clipboard.json"));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->size(), 50u);
}

// A push after the controller is gone must do nothing rather than touch freed memory.
TEST(HubLaunch, WatchCallbackOutlivingTheControllerDoesNothing)
{
    HubFixture f;
    f.launch();
    f.hub.reset();
    f.fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, std::string("after quit"));
    f.fake.pasteboard.fireWatch();
    SUCCEED() << "no crash under the sanitizers";
    EXPECT_EQ(f.fake.pasteboard.count, 2);
}

} // namespace
} // namespace brimble
