// The snapshot sent to the page and the script that carries it.

#include <cmath>
#include <limits>

#include <glib.h>
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include "settings/Settings.h"
#include "bridge/FilePresence.h"
#include "bridge/Payload.h"
#include "history/ClipboardStore.h"
#include "platform/fake/FakePlatform.h"
#include "support/TempDir.h"

namespace brimble::test {
namespace {

constexpr std::string_view fallback =
    R"({"items":[],"paused":false,"cap":50,"excluded":[],"recordSecrets":false,"sessions":[],)"
    R"("activeSessionId":"","blocks":[],"appearanceMode":"system","autostart":false,"pasteAfterChoosing":false})";

Clip entry(const std::string& id, const std::string& sessionId, const std::string& text = "t")
{
    Clip clip;
    clip.id = id;
    clip.ts = 1'760'000'000.5;
    clip.text = text;
    clip.sessionId = sessionId;
    return clip;
}

class PayloadTest : public ::testing::Test {
protected:
    rapidjson::Document snapshot()
    {
        json = payloadJSON(store, settings, sessions, blocks);
        rapidjson::Document document;
        document.Parse(json.c_str(), json.size());
        EXPECT_FALSE(document.HasParseError()) << json;
        return document;
    }

    TempDir dir;
    FakeLog log;
    FakeDefaults defaults{log};
    ClipboardStore store{dir.path(), defaults};
    PayloadSettings settings{.activeSessionId = "S1"};
    std::vector<Session> sessions{{"S1", "Work", 10.25}, {"S2", "Home", 20.5}};
    std::vector<Block> blocks;
    std::string json;
};

// The whole document for a small state, key for key: the page reads exactly these names.
TEST_F(PayloadTest, WritesEveryMemberCompactly)
{
    Clip image = entry("I", "S1", "PNG");
    image.kind = "image";
    image.imgFile = "A.png";
    image.img = "data:image/png;base64,AAAA";
    image.sig = "abc";
    image.blockId = "K1";
    image.pinned = true;
    store.items = {image, entry("T", "S1", "hello")};
    settings = {true, 10, {"org.gnome.Terminal", "gone"}, {"gone"}, true, "S1", "dark", true, true, false, false,
                false, {"K1"}, {"lin\"k", 480, {"T"}, "I", true}};
    blocks = {{"K1", "Links", "rose", true, "S1", 2}};

    EXPECT_EQ(payloadJSON(store, settings, sessions, blocks),
              R"({"items":[{"id":"I","ts":1760000000.5,"text":"PNG","pinned":true,"kind":"image",)"
              R"("imgURL":"vellumo://clipboard/img/A.png","blockId":"K1"},)"
              R"({"id":"T","ts":1760000000.5,"text":"hello","pinned":false,"kind":"text"}],)"
              R"("paused":true,"cap":10,"excluded":["org.gnome.Terminal","gone"],"excludedUnmatched":["gone"],)"
              R"("recordSecrets":true,)"
              R"("sessions":[{"id":"S1","name":"Work","createdAt":10.25},{"id":"S2","name":"Home","createdAt":20.5}],)"
              R"("activeSessionId":"S1","blocks":[{"id":"K1","name":"Links","color":"rose","pinned":true,"order":2}],)"
              R"("appearanceMode":"dark","autostart":true,"pasteAfterChoosing":true,"frontmostKnown":false,)"
              R"("pasteAvailable":false,"clipboardWatched":false,"collapsed":["K1"],)"
              R"("view":{"query":"lin\"k","scrollTop":480,"selection":["T"],"focusId":"I","settingsOpen":true}})");
}

// The page hides the sync pill when "sync" is missing: it must be missing while sync is off.
TEST_F(PayloadTest, SyncIsSentOnlyWhileOn)
{
    EXPECT_FALSE(snapshot().HasMember("sync"));
    settings.sync = PayloadSync{"missing", 12.5, "/media/usb/brimble"};
    const auto document = snapshot();
    ASSERT_TRUE(document.HasMember("sync"));
    EXPECT_STREQ(document["sync"]["state"].GetString(), "missing");
    EXPECT_EQ(document["sync"]["lastArrival"].GetDouble(), 12.5);
    EXPECT_STREQ(document["sync"]["folder"].GetString(), "/media/usb/brimble");
}

// Absent optional members must be missing, not null: the page tests for their presence.
TEST_F(PayloadTest, LeavesOutImageUrlAndBlockWhenAbsent)
{
    store.items = {entry("T", "S1")};
    const auto document = snapshot();
    const auto& row = document["items"][0];
    EXPECT_FALSE(row.HasMember("imgURL"));
    EXPECT_FALSE(row.HasMember("blockId"));
    EXPECT_FALSE(row.HasMember("img"));
    EXPECT_FALSE(row.HasMember("sig"));
    EXPECT_FALSE(row.HasMember("sessionId"));
}

// Entries and blocks of a session that is not known (its file lost) show in the session in use
// rather than nowhere.
TEST_F(PayloadTest, SendsOnlyTheActiveSessionsEntriesAndBlocksButEverySession)
{
    store.items = {entry("A", "S1"), entry("X", "S2"), entry("O", "GONE"), entry("B", "S1")};
    blocks = {{"K2", "Other", "sky", false, "S2", 0}, {"K1", "Mine", "rose", false, "S1", 0},
              {"K3", "Lost", "mint", false, "GONE", 1}};
    const auto document = snapshot();

    std::vector<std::string> items;
    for (const auto& row : document["items"].GetArray())
        items.emplace_back(row["id"].GetString());
    EXPECT_EQ(items, (std::vector<std::string>{"A", "O", "B"}));
    ASSERT_EQ(document["blocks"].Size(), 2u);
    EXPECT_STREQ(document["blocks"][0]["id"].GetString(), "K1");
    EXPECT_STREQ(document["blocks"][1]["id"].GetString(), "K3");
    EXPECT_FALSE(document["blocks"][0].HasMember("sessionId"));
    EXPECT_EQ(document["sessions"].Size(), 2u);
}

// A stable sort keeps blocks of equal rank in list order.
TEST_F(PayloadTest, SortsBlocksStablyByOrder)
{
    blocks = {{"b1", "1", "rose", false, "S1", 3}, {"b2", "2", "rose", false, "S1", 1},
              {"b3", "3", "rose", false, "S1", 1}};
    const auto document = snapshot();
    std::vector<std::string> ids;
    for (const auto& row : document["blocks"].GetArray())
        ids.emplace_back(row["id"].GetString());
    EXPECT_EQ(ids, (std::vector<std::string>{"b2", "b3", "b1"}));
}

TEST_F(PayloadTest, NonFiniteTimeGivesTheFallbackDocument)
{
    Clip broken = entry("A", "S1");
    broken.ts = std::numeric_limits<double>::quiet_NaN();
    store.items = {broken};
    EXPECT_EQ(payloadJSON(store, settings, sessions, blocks), fallback);

    store.items = {entry("A", "S1")};
    sessions[1].createdAt = std::numeric_limits<double>::infinity();
    EXPECT_EQ(payloadJSON(store, settings, sessions, blocks), fallback);
}

// Nothing is remembered between snapshots: a change shows in the very next one.
TEST_F(PayloadTest, IsBuiltAfreshEveryTime)
{
    store.items = {entry("A", "S1")};
    const std::string first = payloadJSON(store, settings, sessions, blocks);
    store.items[0].text = "changed";
    EXPECT_NE(payloadJSON(store, settings, sessions, blocks), first);
}

TEST_F(PayloadTest, SendsAppearanceModeAsStored)
{
    settings.appearanceMode = "Dark";
    EXPECT_STREQ(snapshot()["appearanceMode"].GetString(), "Dark");
}

struct CapCase {
    std::optional<int64_t> stored;
    int cap;
};

class SnapshotCap : public ::testing::TestWithParam<CapCase> {};

TEST_P(SnapshotCap, IsTheEffectiveHistoryLimit)
{
    EXPECT_EQ(effectiveHistoryLimit(GetParam().stored), GetParam().cap);
}

INSTANTIATE_TEST_SUITE_P(Table, SnapshotCap, ::testing::Values(
    CapCase{std::nullopt, 50}, CapCase{0, 50}, CapCase{5, 10}, CapCase{10, 10}, CapCase{11, 11},
    CapCase{499, 499}, CapCase{500, 500}, CapCase{501, 500}, CapCase{-3, 10},
    CapCase{std::numeric_limits<int64_t>::min(), 10}, CapCase{std::numeric_limits<int64_t>::max(), 500}));

TEST_F(PayloadTest, CarriesTheCapItIsGiven)
{
    settings.cap = effectiveHistoryLimit(501);
    EXPECT_EQ(snapshot()["cap"].GetInt(), 500);
}

// A text the page holds is named by its entry's id, never sent again, and only the active
// session's entries are reported as what the page will hold.
TEST_F(PayloadTest, NamesHeldTextsAndReportsTheEntriesItCarries)
{
    store.items = {entry("A", "S1", "new text"), entry("B", "S1", "held text"), entry("C", "S2", "other")};
    std::vector<std::string> ids{"stale"};
    json = payloadJSON(store, settings, sessions, blocks, {"B", "C", "gone"}, &ids);
    rapidjson::Document document;
    document.Parse(json.c_str(), json.size());
    ASSERT_FALSE(document.HasParseError()) << json;

    const auto& items = document["items"];
    ASSERT_EQ(items.Size(), 2u);
    EXPECT_EQ(std::string(items[0]["text"].GetString()), "new text");
    EXPECT_FALSE(items[0].HasMember("textHeld"));
    EXPECT_FALSE(items[1].HasMember("text"));
    EXPECT_TRUE(items[1]["textHeld"].GetBool());
    EXPECT_EQ(json.find("held text"), std::string::npos);
    // The other session's entry is not in the snapshot: the page will not hold its text.
    EXPECT_EQ(ids, (std::vector<std::string>{"A", "B"}));
}

// The fallback document carries no entry, so after it the page holds no text to be named.
TEST_F(PayloadTest, FallbackDocumentReportsNoEntries)
{
    Clip bad = entry("A", "S1");
    bad.ts = std::numeric_limits<double>::quiet_NaN();
    store.items = {bad};
    std::vector<std::string> ids;
    EXPECT_EQ(payloadJSON(store, settings, sessions, blocks, {"A"}, &ids), fallback);
    EXPECT_TRUE(ids.empty());
}

// The script names where the snapshot waits; no text of it is in the script, whose text the
// engine would keep compiled.
TEST(StateScript, NamesTheSnapshotsAddressOnly)
{
    EXPECT_EQ(stateScript(), "window.__pr2clip && window.__pr2clip.pull('vellumo://clipboard/state.json')");
}

// Quotes, backslashes, line breaks and emoji reach the page unchanged in the snapshot's JSON.
TEST_F(PayloadTest, TextReachesThePageUnchanged)
{
    const std::string tricky = "it's \"quoted\" \\ back\\slash\nline\r\nbreak </script> \u2028 \U0001F600 \u00e9";
    store.items = {entry("A", "S1", tricky)};
    const std::string sent = payloadJSON(store, settings, sessions, blocks);
    rapidjson::Document document;
    document.Parse(sent.c_str(), sent.size());
    ASSERT_FALSE(document.HasParseError());
    EXPECT_EQ(std::string(document["items"][0]["text"].GetString()), tricky);
}

} // namespace
} // namespace brimble::test

namespace brimble::test {
namespace {

// A formatted entry is marked; a copy of files lists their names and which are gone, read from
// its text, never from the stored HTML.
TEST_F(PayloadTest, MarksFormattedEntriesAndListsCopiedFiles)
{
    const std::filesystem::path here = dir / "here.txt";
    writeFile(here, "x");
    Clip formatted = entry("F", "S1", "<b>not markup</b>");
    formatted.formats = {{"text/html", std::string(64, 'a')}};
    Clip files = entry("L", "S1", here.string() + "\nfile:///nowhere/gone%20file.txt\nnot a path");
    files.formats = {{"text/uri-list", std::string(64, 'b')}};
    store.items = {formatted, files, entry("P", "S1")};

    const rapidjson::Document doc = snapshot();
    const auto& items = doc["items"];
    EXPECT_TRUE(items[0]["formatted"].GetBool());
    EXPECT_FALSE(items[0].HasMember("files"));
    EXPECT_FALSE(items[1].HasMember("formatted"));
    ASSERT_EQ(items[1]["files"].Size(), 2u);
    EXPECT_STREQ(items[1]["files"][0]["name"].GetString(), "here.txt");
    EXPECT_FALSE(items[1]["files"][0].HasMember("missing"));
    EXPECT_STREQ(items[1]["files"][1]["name"].GetString(), "gone file.txt");
    EXPECT_TRUE(items[1]["files"][1]["missing"].GetBool());
    EXPECT_EQ(items[1]["fileCount"].GetInt(), 2);
    // Entries without formats are sent exactly as before.
    EXPECT_FALSE(items[2].HasMember("formatted"));
    EXPECT_FALSE(items[2].HasMember("files"));
}

// A snapshot never waits on a copied file's disk (a hung network mount held the window): a path
// not known yet reads as present, and the answer, looked at in GIO's threads, comes back
// through `changed`, which has the page drawn again.
TEST_F(PayloadTest, CopiedFilesAreLookedAtOffTheMainLoop)
{
    const std::filesystem::path here = dir / "here.txt";
    writeFile(here, "x");
    const std::string gone = (dir / "gone.txt").string();
    int changes = 0;
    FilePresence presence([&] { ++changes; }, 0.0);
    // Snapshots keep asking, as the page's redraws do, while the main loop turns.
    const auto waitFor = [&](int wanted) {
        const gint64 deadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
        while (changes < wanted && g_get_monotonic_time() < deadline) {
            presence.isMissing(here.string());
            g_main_context_iteration(nullptr, FALSE);
        }
        return changes;
    };
    EXPECT_FALSE(presence.isMissing(gone)) << "not known yet";
    EXPECT_FALSE(presence.isMissing(here.string()));
    ASSERT_EQ(waitFor(1), 1);
    EXPECT_TRUE(presence.isMissing(gone));
    EXPECT_FALSE(presence.isMissing(here.string()));
    // The file goes: the next look marks it.
    std::filesystem::remove(here);
    ASSERT_EQ(waitFor(2), 2);
    EXPECT_TRUE(presence.isMissing(here.string()));

    Clip files = entry("L", "S1", here.string() + "\n" + gone);
    files.formats = {{"text/uri-list", std::string(64, 'b')}};
    store.items = {files};
    settings.fileMissing = [&](const std::string& path) { return presence.isMissing(path); };
    const rapidjson::Document doc = snapshot();
    EXPECT_TRUE(doc["items"][0]["files"][0]["missing"].GetBool());
    EXPECT_TRUE(doc["items"][0]["files"][1]["missing"].GetBool());
}

} // namespace
} // namespace brimble::test
