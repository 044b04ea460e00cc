#include <gtest/gtest.h>

#include "history/ClipCodec.h"
#include "history/ClipboardStore.h"
#include "platform/fake/FakePlatform.h"
#include "sessions/SessionCodec.h"
#include "sessions/SessionStore.h"
#include "support/TempDir.h"

namespace brimble {
namespace {

using test::fileMode;
using test::readFile;
using test::writeFile;

constexpr const char* untouched = "untouched";

class SessionStoreTest : public testing::Test {
protected:
    std::filesystem::path folder() const { return home.path() / "Brimble"; }
    std::filesystem::path sessionsFile() const { return folder() / "sessions.json"; }
    std::filesystem::path blocksFile() const { return folder() / "blocks.json"; }

    std::vector<Session> savedSessions() const { return decodeSessions(readFile(sessionsFile())).value_or(std::vector<Session>{}); }
    std::vector<Block> savedBlocks() const { return decodeBlocks(readFile(blocksFile())).value_or(std::vector<Block>{}); }

    std::vector<std::string> namesIn() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir home;
    FakeLog log;
    FakeDefaults defaults{log};
};

TEST_F(SessionStoreTest, FirstRunCreatesOneDefaultSessionAndAdoptsOrphans)
{
    std::vector<Clip> history(2);
    history[0].id = "A";
    history[1].id = "B";
    history[1].sessionId = "gone";
    writeFile(folder() / "clipboard.json", encodeClips(history).value());
    ClipboardStore clips(home.path(), defaults);
    SessionStore store(home.path());
    EXPECT_TRUE(store.sessions.empty());

    const Session first = store.ensureDefaultSession(clips, 42.5);
    EXPECT_EQ(first.name, "Default");
    EXPECT_EQ(first.createdAt, 42.5);
    EXPECT_EQ(first.id.size(), 36u);
    EXPECT_EQ(store.sessions, std::vector<Session>{first});
    EXPECT_EQ(savedSessions(), std::vector<Session>{first});
    EXPECT_EQ(fileMode(sessionsFile()), 0600);
    EXPECT_FALSE(std::filesystem::exists(blocksFile())) << "blocks.json waits for the first block change";

    EXPECT_EQ(clips.items[0].sessionId, first.id);
    EXPECT_EQ(clips.items[1].sessionId, "gone") << "a clip of a session that is not known keeps it";
    EXPECT_EQ(decodeClips(readFile(folder() / "clipboard.json")).value()[0].sessionId, first.id);
}

TEST_F(SessionStoreTest, ExistingSessionsAreKeptAndNotRewritten)
{
    writeFile(sessionsFile(), encodeSessions(std::vector<Session>{{"S1", "Work", 1}, {"S2", "Home", 2}}).value());
    ClipboardStore clips(home.path(), defaults);
    SessionStore store(home.path());
    writeFile(sessionsFile(), untouched);

    EXPECT_EQ(store.ensureDefaultSession(clips, 99).id, "S1");
    EXPECT_EQ(store.sessions.size(), 2u);
    EXPECT_EQ(readFile(sessionsFile()), untouched);
    EXPECT_TRUE(store.hasSession("S2"));
    EXPECT_FALSE(store.hasSession("s2"));
}

// A sessions.json that cannot be read used to be overwritten by the fresh "Default" session.
TEST_F(SessionStoreTest, UnreadableSessionsFileGivesAFreshDefaultAndIsKeptAside)
{
    const std::string original = R"([{"id":"S1","createdAt":1}])"; // no name
    writeFile(sessionsFile(), original);
    ClipboardStore clips(home.path(), defaults);
    SessionStore store(home.path());
    EXPECT_TRUE(store.sessions.empty());

    const Session fresh = store.ensureDefaultSession(clips, 5);
    EXPECT_EQ(fresh.name, "Default");
    EXPECT_EQ(savedSessions(), std::vector<Session>{fresh});
    const auto names = namesIn();
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], "sessions.json");
    ASSERT_TRUE(names[1].starts_with("sessions.json.unreadable-"));
    EXPECT_EQ(readFile(folder() / names[1]), original);
}

TEST_F(SessionStoreTest, UnreadableBlocksFileIsKeptAsideBeforeTheNextBlockChange)
{
    writeFile(blocksFile(), "{not json");
    SessionStore store(home.path());
    EXPECT_TRUE(store.blocks.empty());
    EXPECT_EQ(readFile(blocksFile()), "{not json");

    store.createBlock("New Block", "rose", "S");
    EXPECT_EQ(savedBlocks().size(), 1u);
    EXPECT_EQ(namesIn().size(), 2u);
}

TEST_F(SessionStoreTest, BothFilesRoundTrip)
{
    {
        SessionStore store(home.path());
        store.createSession("Work", 10.25);
        store.createBlock("Ideas", "mint", store.sessions[0].id);
        store.toggleBlockPinned(store.blocks[0].id);
    }
    SessionStore reloaded(home.path());
    ASSERT_EQ(reloaded.sessions.size(), 1u);
    EXPECT_EQ(reloaded.sessions[0].name, "Work");
    EXPECT_EQ(reloaded.sessions[0].createdAt, 10.25);
    ASSERT_EQ(reloaded.blocks.size(), 1u);
    EXPECT_EQ(reloaded.blocks[0], (Block{reloaded.blocks[0].id, "Ideas", "mint", true, reloaded.sessions[0].id, 0}));
    EXPECT_EQ(fileMode(blocksFile()), 0600);
}

TEST_F(SessionStoreTest, CreateSessionAppendsAndAllowsRepeatedNames)
{
    SessionStore store(home.path());
    const Session a = store.createSession("Same", 1);
    const Session b = store.createSession("Same", 2);
    EXPECT_NE(a.id, b.id);
    EXPECT_EQ(savedSessions(), (std::vector<Session>{a, b}));
}

TEST_F(SessionStoreTest, RenameSessionWritesOnlyForAKnownId)
{
    SessionStore store(home.path());
    const Session s = store.createSession("Old", 1);
    store.renameSession(s.id, "New");
    EXPECT_EQ(savedSessions()[0].name, "New");

    writeFile(sessionsFile(), untouched);
    store.renameSession("nope", "X");
    EXPECT_EQ(readFile(sessionsFile()), untouched);
}

TEST_F(SessionStoreTest, BlockOrderIsOneAboveTheHighestInItsSession)
{
    const struct {
        const char* name;
        int64_t deletedOrder; // -1: nothing deleted
        int64_t expectedNext;
    } rows[] = {
        {"no deletion", -1, 3},
        {"gap in the middle stays", 1, 3},
        {"highest deleted is reused", 2, 2},
    };
    for (const auto& row : rows) {
        test::TempDir rowHome;
        SessionStore store(rowHome.path());
        EXPECT_EQ(store.createBlock("B", "rose", "S").order, 0) << row.name;
        store.createBlock("B", "rose", "S");
        store.createBlock("B", "rose", "S");
        store.createBlock("Other session", "rose", "T");
        for (const Block& block : store.blocksInSession("S"))
            if (block.order == row.deletedOrder)
                store.deleteBlock(block.id);
        EXPECT_EQ(store.createBlock("B", "rose", "S").order, row.expectedNext) << row.name;
        EXPECT_EQ(store.createBlock("B", "rose", "T").order, 1) << row.name;
    }
}

TEST_F(SessionStoreTest, HighestOrderFromTheFileIsFollowed)
{
    writeFile(blocksFile(), encodeBlocks(std::vector<Block>{{"K1", "B", "rose", false, "S", 7},
                                                            {"K2", "B", "rose", false, "S", -3}})
                                .value());
    SessionStore store(home.path());
    EXPECT_EQ(store.createBlock("B", "rose", "S").order, 8);
}

TEST_F(SessionStoreTest, BlocksInSessionKeepListOrder)
{
    SessionStore store(home.path());
    store.sessions = {{"S", "One", 1}, {"T", "Two", 2}};
    const Block a = store.createBlock("A", "rose", "S");
    store.createBlock("X", "rose", "T");
    const Block b = store.createBlock("B", "peach", "S");
    EXPECT_EQ(store.blocksInSession("S"), (std::vector<Block>{a, b}));
    EXPECT_TRUE(store.blocksInSession("none").empty());
}

TEST_F(SessionStoreTest, SetBlockColorTakesPaletteNamesOnly)
{
    writeFile(blocksFile(), encodeBlocks(std::vector<Block>{{"K", "B", "chartreuse", false, "S", 0}}).value());
    SessionStore store(home.path());
    EXPECT_EQ(store.blocks[0].color, "chartreuse") << "any colour is accepted from the file";

    for (const char* refused : {"Rose", "orange", "", "chartreuse"}) {
        store.setBlockColor("K", refused);
        EXPECT_EQ(store.blocks[0].color, "chartreuse") << refused;
    }
    EXPECT_EQ(savedBlocks()[0].color, "chartreuse") << "nothing written for a refused colour";
    for (std::string_view colour : blockPalette) {
        store.setBlockColor("K", std::string(colour));
        EXPECT_EQ(savedBlocks()[0].color, colour);
    }
    writeFile(blocksFile(), untouched);
    store.setBlockColor("nope", "sky");
    EXPECT_EQ(readFile(blocksFile()), untouched);
}

TEST_F(SessionStoreTest, ToggleAndRenameOfAnUnknownBlockWriteNothing)
{
    SessionStore store(home.path());
    const Block block = store.createBlock("B", "rose", "S");
    writeFile(blocksFile(), untouched);
    store.toggleBlockPinned("nope");
    store.renameBlock("nope", "X");
    EXPECT_EQ(readFile(blocksFile()), untouched);

    store.renameBlock(block.id, "Renamed");
    EXPECT_EQ(savedBlocks()[0].name, "Renamed");
    store.toggleBlockPinned(block.id);
    EXPECT_TRUE(savedBlocks()[0].pinned);
    store.toggleBlockPinned(block.id);
    EXPECT_FALSE(savedBlocks()[0].pinned);
}

TEST_F(SessionStoreTest, DeleteBlockAlwaysWrites)
{
    SessionStore store(home.path());
    store.createBlock("B", "rose", "S");
    writeFile(blocksFile(), untouched);
    store.deleteBlock("nope");
    EXPECT_EQ(savedBlocks().size(), 1u);
    store.deleteBlock(store.blocks[0].id);
    EXPECT_EQ(readFile(blocksFile()), "[]");
}

TEST(SessionCodec, EveryKeyIsRequiredWithItsTypeButTheCreationTime)
{
    const char* badSessions[] = {
        R"([{"id":"S","createdAt":1}])",
        R"([{"name":"N","createdAt":1}])",
        R"([{"id":"S","name":null,"createdAt":1}])",
        R"([{"id":"S","name":"N","createdAt":1},7])",
        R"({"id":"S","name":"N","createdAt":1})",
    };
    for (const char* row : badSessions)
        EXPECT_FALSE(decodeSessions(row)) << row;
    EXPECT_EQ(decodeSessions(R"([{"id":"S","name":"N","createdAt":3,"extra":1}])").value(),
              (std::vector<Session>{{"S", "N", 3}}));
    // A session is whole without its time; losing it would hide its name.
    for (const char* row : {R"([{"id":"S","name":"N"}])", R"([{"id":"S","name":"N","createdAt":"1"}])",
                            R"([{"id":"S","name":"N","createdAt":9e308}])", R"([{"id":"S","name":"N","createdAt":-1e999}])"})
        EXPECT_EQ(decodeSessions(row).value(), (std::vector<Session>{{"S", "N", 0}})) << row;

    const std::string good = R"("id":"K","name":"N","color":"x","pinned":false,"sessionId":"S")";
    const char* badBlocks[] = {
        R"([{"id":"K","name":"N","color":"x","pinned":false,"sessionId":"S"}])",
        R"([{"id":"K","name":"N","color":"x","pinned":"no","sessionId":"S","order":0}])",
        R"([{"id":"K","name":"N","color":"x","pinned":false,"sessionId":"S","order":1.5}])",
        R"([{"id":"K","name":"N","color":"x","pinned":false,"sessionId":"S","order":"1"}])",
        R"([{"id":"K","name":"N","color":"x","pinned":false,"sessionId":"S","order":1e30}])",
        R"([{"id":"K","name":"N","pinned":false,"sessionId":"S","order":0}])",
        R"([{"id":"K","name":"N","color":"x","pinned":false,"order":0}])",
    };
    for (const char* row : badBlocks)
        EXPECT_FALSE(decodeBlocks(row)) << row;
    EXPECT_EQ(decodeBlocks("[{" + good + R"(,"order":2.0}])").value()[0].order, 2) << "a whole number written as 2.0";
    EXPECT_EQ(decodeBlocks("[{" + good + R"(,"order":-4}])").value()[0].order, -4);
}

TEST(SessionCodec, NonFiniteCreationTimeFailsTheEncoding)
{
    EXPECT_FALSE(encodeSessions(std::vector<Session>{{"S", "N", std::numeric_limits<double>::infinity()}}));
}

} // namespace
} // namespace brimble
