// The controller's side of sync: the setting and the command line switch it, every change the
// program makes is journaled whatever road it took, and what other machines write reaches the
// history and the page.

#include <gtest/gtest.h>

#include "bridge/ClipCommands.h"
#include "common/Uuid.h"
#include "settings/Settings.h"
#include "support/HubFixture.h"
#include "sync/JournalReader.h"
#include "sync/JournalWriter.h"
#include "unit/app/SnapshotReader.h"

namespace brimble {
namespace {

using test::HubFixture;

struct SyncFixture : HubFixture {
    SyncFixture()
    {
        std::filesystem::create_directories(shared());
        launch();
        fake.host.showWindow();
    }
    std::filesystem::path shared() const { return home / "Sync"; }
    std::vector<std::string> journaledTexts() const
    {
        std::vector<std::string> texts;
        for (const SyncEvent& event : JournalReader(shared()).readNew().events)
            if (event.kind == SyncKind::Added)
                texts.push_back(event.text);
        return texts;
    }
    void copy(const std::string& text)
    {
        fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, text);
        fake.pasteboard.fireWatch();
    }
};

TEST(HubSync, CopiesAreJournaledOnlyWhileSyncIsOnAndOthersArrivalsReachThePage)
{
    SyncFixture f;
    f.copy("before sync");
    EXPECT_TRUE(f.journaledTexts().empty()) << "off by default";

    f.hub->setSyncFolder(f.shared().string());
    EXPECT_EQ(f.journaledTexts(), std::vector<std::string>{"before sync"});
    f.copy("with sync");
    EXPECT_EQ(f.journaledTexts(), (std::vector<std::string>{"before sync", "with sync"}));
    // A copy whose formats are still being read goes out once they are in, so other machines
    // never get it without them.
    f.fake.pasteboard.simulateCopy({"public.utf8-plain-text", "text/html"}, "formatted");
    f.fake.pasteboard.formatsFollow = true;
    f.fake.pasteboard.fireWatch();
    EXPECT_EQ(f.journaledTexts().size(), 2u);
    f.fake.pasteboard.simulateLateFormats({{"text/html", "<b>formatted</b>"}});
    const std::vector<SyncEvent> journaled = JournalReader(f.shared()).readNew().events;
    ASSERT_EQ(journaled.back().text, "formatted");
    EXPECT_EQ(journaled.back().formats.size(), 1u);
    auto snapshot = test::snapshotOf(f.lastRender());
    ASSERT_TRUE(snapshot.HasMember("sync"));
    EXPECT_STREQ(snapshot["sync"]["state"].GetString(), "ok");

    // Another machine writes; the next look brings its copy in and tells the page when.
    const std::string other = newUuid();
    SyncEvent event;
    event.eventId = newUuid();
    event.device = other;
    event.ts = f.fake.clock.time + 1; // later than the last copy here, so it is the newest
    event.kind = SyncKind::Added;
    event.ids = {newUuid()};
    event.text = "from the laptop";
    event.session = "default";
    ASSERT_TRUE(JournalWriter(f.shared(), other).append(std::span(&event, 1)));
    const size_t renders = f.renders();
    f.fake.loop.advance(6);
    EXPECT_GT(f.renders(), renders);
    EXPECT_EQ(f.hub->clip.items.front().text.str(), "from the laptop");
    snapshot = test::snapshotOf(f.lastRender());
    EXPECT_NEAR(snapshot["sync"]["lastArrival"].GetDouble(), f.fake.clock.time, 6) << "the look of the last few seconds";

    // The folder goes away: the page says so at the next look.
    std::filesystem::rename(f.shared(), f.home / "Sync-away");
    f.fake.loop.advance(6);
    snapshot = test::snapshotOf(f.lastRender());
    EXPECT_STREQ(snapshot["sync"]["state"].GetString(), "missing");

    f.hub->setSyncFolder("");
    f.copy("after sync");
    EXPECT_FALSE(test::snapshotOf(f.lastRender()).HasMember("sync"));
    EXPECT_FALSE(f.fake.defaults.stringValue(Def::syncFolder).value_or("x").size());
}

// Undo after a delete while sync is on: the delete is final in the shared history, so the entry
// comes back as a new one (a fresh id), and another machine's next line does not take it away.
TEST(HubSync, AnEntryBroughtBackByUndoStaysWhenOthersWrite)
{
    SyncFixture f;
    f.hub->setSyncFolder(f.shared().string());
    f.copy("deleted then undone");
    const std::string id = f.hub->clip.items.front().id;
    receiveScriptMessage(*f.hub, clipChannel, R"({"cmd":"delete","id":")" + id + R"("})");
    ASSERT_TRUE(f.hub->clip.items.empty());
    receiveScriptMessage(*f.hub, clipChannel, R"({"cmd":"undo"})");
    ASSERT_EQ(f.hub->clip.items.size(), 1u);

    SyncEvent event;
    event.eventId = newUuid();
    event.device = newUuid();
    event.ts = f.fake.clock.time + 1;
    event.kind = SyncKind::Added;
    event.ids = {newUuid()};
    event.text = "from the laptop";
    event.session = "default";
    ASSERT_TRUE(JournalWriter(f.shared(), event.device).append(std::span(&event, 1)));
    f.fake.loop.advance(6);
    std::vector<std::string> texts;
    for (const Clip& clip : f.hub->clip.items)
        texts.push_back(clip.text.str());
    EXPECT_EQ(texts, (std::vector<std::string>{"from the laptop", "deleted then undone"}));
    EXPECT_EQ(std::ranges::count(f.journaledTexts(), "deleted then undone"), 2) << "journaled again under its new id";
}

} // namespace
} // namespace brimble
