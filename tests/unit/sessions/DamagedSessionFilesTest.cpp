// A damaged sessions.json or blocks.json costs only the sessions or blocks that cannot be read,
// and no entry is hidden because its session was lost.

#include <limits>

#include <gtest/gtest.h>

#include "history/ClipCodec.h"
#include "history/ClipboardStore.h"
#include "platform/fake/FakePlatform.h"
#include "sessions/SessionCodec.h"
#include "sessions/SessionStore.h"
#include "support/TempDir.h"

namespace brimble {
namespace {

using test::readFile;
using test::writeFile;

class DamagedSessionFiles : public testing::Test {
protected:
    std::filesystem::path folder() const { return home.path() / "Brimble"; }

    std::vector<std::string> copiesAside(const std::string& file) const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder()))
            if (entry.path().filename().string().starts_with(file + ".unreadable-"))
                names.push_back(entry.path().filename().string());
        return names;
    }

    test::TempDir home;
    FakeLog log;
    FakeDefaults defaults{log};
};

// One session without its name made the whole file unreadable: every session was lost, and
// their entries hidden while still counting against the history limit.
TEST_F(DamagedSessionFiles, BadSessionIsLeftOutAndItsEntriesKeepIt)
{
    const std::string original = R"([{"id":"S1","name":"Work","createdAt":1},{"id":"S2","createdAt":2},)"
                                 R"({"id":"S3","name":"Home","createdAt":3}])";
    writeFile(folder() / "sessions.json", original);
    std::vector<Clip> history(3);
    history[0].id = "A";
    history[0].sessionId = "S1";
    history[1].id = "B";
    history[1].sessionId = "S2";
    history[1].pinned = true;
    history[2].id = "C";
    history[2].sessionId = "S3";
    writeFile(folder() / "clipboard.json", encodeClips(history).value());
    ClipboardStore clips(home.path(), defaults);
    SessionStore store(home.path());

    ASSERT_EQ(store.sessions.size(), 2u);
    EXPECT_EQ(store.sessions[0].name, "Work");
    EXPECT_EQ(store.sessions[1].name, "Home");
    const Session first = store.ensureDefaultSession(clips, 9);
    EXPECT_EQ(first.id, "S1") << "no fresh session when one could be read";
    std::vector<std::string> sessionOf;
    for (const Clip& clip : clips.items)
        sessionOf.push_back(clip.sessionId);
    EXPECT_EQ(sessionOf, (std::vector<std::string>{"S2", "S1", "S3"})) << "the file may come back whole";
    EXPECT_EQ(decodeClips(readFile(folder() / "clipboard.json")).value()[1].sessionId, "S2");

    store.renameSession("S3", "House");
    ASSERT_EQ(copiesAside("sessions.json").size(), 1u);
    EXPECT_EQ(readFile(folder() / copiesAside("sessions.json")[0]), original);
    EXPECT_EQ(decodeSessions(readFile(folder() / "sessions.json")).value().size(), 2u);
}

TEST_F(DamagedSessionFiles, BadBlockIsLeftOutAndBlocksOfLostSessionsShowInTheSessionInUse)
{
    writeFile(folder() / "sessions.json", R"([{"id":"S1","name":"Work","createdAt":1}])");
    writeFile(folder() / "blocks.json",
              R"([{"id":"K1","name":"a","color":"rose","pinned":false,"sessionId":"S1","order":0},)"
              R"({"id":"K2","name":"b","color":"rose","pinned":"yes","sessionId":"S1","order":1},)"
              R"({"id":"K3","name":"c","color":"mint","pinned":true,"sessionId":"LOST","order":0}])");
    ClipboardStore clips(home.path(), defaults);
    SessionStore store(home.path());
    ASSERT_EQ(store.blocks.size(), 2u);
    EXPECT_EQ(store.blocks[1].id, "K3");

    store.ensureDefaultSession(clips, 9);
    EXPECT_EQ(store.blocks[1].sessionId, "LOST");
    EXPECT_TRUE(copiesAside("blocks.json").empty()) << "nothing was changed, so nothing is written";
    ASSERT_EQ(store.blocksInSession("S1").size(), 2u);
    EXPECT_EQ(store.blocksInSession("S1")[1].id, "K3");

    store.renameBlock("K1", "z");
    EXPECT_EQ(copiesAside("blocks.json").size(), 1u) << "the first save kept the damaged file";
    EXPECT_EQ(decodeBlocks(readFile(folder() / "blocks.json")).value()[1].sessionId, "LOST");
}

// "createdAt": 9e308 became an infinity: every push then failed, and the saves stopped while
// they were taken for done.
TEST_F(DamagedSessionFiles, TimeBeyondRangeReadsAsMissingAndTheFileSavesAgain)
{
    writeFile(folder() / "sessions.json", R"([{"id":"S1","name":"Work","createdAt":9e308}])");
    SessionStore store(home.path());
    ASSERT_EQ(store.sessions.size(), 1u);
    EXPECT_EQ(store.sessions[0].createdAt, 0);
    store.renameSession("S1", "Desk");
    EXPECT_EQ(decodeSessions(readFile(folder() / "sessions.json")).value()[0].name, "Desk");
}

TEST_F(DamagedSessionFiles, SaveThatCannotEncodeIsTriedAgain)
{
    SessionStore store(home.path());
    store.sessions = {Session{"S1", "Work", std::numeric_limits<double>::infinity()}};
    store.saveSessions();
    EXPECT_FALSE(std::filesystem::exists(folder() / "sessions.json"));
    store.sessions[0].createdAt = 4;
    store.saveIfUnsaved();
    EXPECT_EQ(decodeSessions(readFile(folder() / "sessions.json")).value()[0].createdAt, 4);
}

TEST_F(DamagedSessionFiles, DeepNestingLeavesTheListsEmptyAndIsKeptAside)
{
    const std::string deep = std::string(1'000'000, '[') + std::string(1'000'000, ']');
    writeFile(folder() / "sessions.json", deep);
    writeFile(folder() / "blocks.json", "[" + std::string(500'000, '{'));
    ClipboardStore clips(home.path(), defaults);
    SessionStore store(home.path());
    EXPECT_TRUE(store.sessions.empty());
    EXPECT_TRUE(store.blocks.empty());
    store.ensureDefaultSession(clips, 1);
    EXPECT_EQ(copiesAside("sessions.json").size(), 1u);
    EXPECT_EQ(store.sessions.size(), 1u);
}

} // namespace
} // namespace brimble
