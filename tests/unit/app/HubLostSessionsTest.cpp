// A sessions file that is missing, unreadable or damaged at one start must not move the entries
// and blocks out of their sessions for good: once the file is back, each is where it was.

#include <functional>
#include <map>

#include <gtest/gtest.h>

#include "history/ClipCodec.h"
#include "sessions/SessionCodec.h"
#include "settings/Settings.h"
#include "support/HubFixture.h"
#include "unit/app/SnapshotReader.h"

namespace brimble {
namespace {

using test::readFile;
using test::writeFile;
using Ids = std::vector<std::string>;

const std::string sessionsFile = R"([{"id":"S1","name":"Work","createdAt":1},{"id":"S2","name":"Home","createdAt":2}])";
const std::string blocksFile =
    R"([{"id":"K1","name":"Links","color":"mint","pinned":false,"sessionId":"S2","order":0}])";

struct LostSessionsFixture : test::HubFixture {
    LostSessionsFixture()
    {
        std::vector<Clip> history(3);
        history[0].id = "A";
        history[0].text = std::string("work note");
        history[0].sessionId = "S1";
        history[1].id = "B";
        history[1].text = std::string("home link");
        history[1].sessionId = "S2";
        history[1].blockId = "K1";
        history[2].id = "C";
        history[2].text = std::string("home pin");
        history[2].sessionId = "S2";
        history[2].pinned = true;
        writeFile(dataDir() / "clipboard.json", encodeClips(history).value());
        writeFile(dataDir() / "blocks.json", blocksFile);
        fake.defaults.setString(Def::activeSessionId, "S2");
    }

    // Quits and starts again over the same folders and settings.
    Hub& restart()
    {
        fake.host.delegate.reset();
        hub.reset();
        return launch();
    }

    rapidjson::Document snapshot()
    {
        hub->didReceiveScriptMessage("pr2Clip", R"({"cmd":"list"})");
        return test::snapshotOf(lastRender());
    }
    static Ids idsIn(const rapidjson::Value& list)
    {
        Ids ids;
        for (const auto& row : list.GetArray())
            ids.push_back(row["id"].GetString());
        return ids;
    }
    std::map<std::string, std::string> sessionOnDisk() const
    {
        std::map<std::string, std::string> of;
        const std::vector<Clip> saved = decodeClips(readFile(dataDir() / "clipboard.json")).value();
        for (const Clip& clip : saved)
            of[clip.id] = clip.sessionId;
        return of;
    }
};

struct LossCase {
    const char* name;
    std::function<void(LostSessionsFixture&)> lose;
};

class HubLostSessions : public testing::TestWithParam<LossCase> {};

// The fault: every entry and block was moved into a new "Default" session and the history
// rewritten, so the sessions came back empty when their file did.
TEST_P(HubLostSessions, EntriesAndBlocksGoBackToTheirSessionsWhenTheFileComesBack)
{
    LostSessionsFixture f;
    GetParam().lose(f);
    f.launch();

    // Meanwhile nothing is hidden: the session in use shows what it cannot place.
    rapidjson::Document shown = f.snapshot();
    EXPECT_EQ(LostSessionsFixture::idsIn(shown["items"]), (Ids{"C", "A", "B"}));
    EXPECT_EQ(LostSessionsFixture::idsIn(shown["blocks"]), Ids{"K1"});
    // A copy made meanwhile goes to the session in use; a repeat of a shown entry moves it.
    f.fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, std::string("home link"));
    f.fake.pasteboard.fireWatch();
    EXPECT_EQ(f.hub->clip.items.size(), 3u) << "a repeated copy of an entry shown is not added twice";
    const std::map<std::string, std::string> kept{{"A", "S1"}, {"B", "S2"}, {"C", "S2"}};
    EXPECT_EQ(f.sessionOnDisk(), kept);
    EXPECT_EQ(readFile(f.dataDir() / "blocks.json"), blocksFile);

    writeFile(f.dataDir() / "sessions.json", sessionsFile);
    f.restart();
    EXPECT_EQ(f.sessionOnDisk(), kept);
    shown = f.snapshot();
    EXPECT_EQ(std::string(shown["activeSessionId"].GetString()), "S2") << "the session in use comes back too";
    EXPECT_EQ(LostSessionsFixture::idsIn(shown["items"]), (Ids{"C", "B"}));
    EXPECT_EQ(LostSessionsFixture::idsIn(shown["blocks"]), Ids{"K1"});
    f.hub->didReceiveScriptMessage("pr2Clip", R"({"cmd":"sessionSwitch","id":"S1"})");
    shown = test::snapshotOf(f.lastRender());
    EXPECT_EQ(LostSessionsFixture::idsIn(shown["items"]), Ids{"A"});
    EXPECT_TRUE(shown["blocks"].GetArray().Empty());
}

INSTANTIATE_TEST_SUITE_P(
    Losses, HubLostSessions,
    testing::Values(LossCase{"Missing", [](LostSessionsFixture&) {}},
                    LossCase{"NotJson", [](LostSessionsFixture& f) { writeFile(f.dataDir() / "sessions.json", "{["); }},
                    LossCase{"OneBadRecord",
                             [](LostSessionsFixture& f) {
                                 writeFile(f.dataDir() / "sessions.json",
                                           R"([{"id":"S1","name":"Work","createdAt":1},{"id":"S2","createdAt":2}])");
                             }},
                    LossCase{"NotAFile",
                             [](LostSessionsFixture& f) {
                                 std::filesystem::create_directories(f.dataDir() / "sessions.json" / "x");
                             }}),
    [](const testing::TestParamInfo<LossCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace brimble
