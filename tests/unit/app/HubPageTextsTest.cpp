// What a push carries: the whole state, with the texts the page already holds named by their
// entries' ids; a page that starts afresh gets every text again.

#include <gtest/gtest.h>

#include "settings/Settings.h"
#include "support/HubFixture.h"
#include "unit/app/SnapshotReader.h"

namespace brimble {
namespace {

using test::HubFixture;

struct TextsFixture : HubFixture {
    TextsFixture()
    {
        make().setWindowAtLaunch(WindowAtLaunch::Shown);
        hub->applicationDidFinishLaunching();
        fake.host.holdScripts = true;
    }
    void copy(const std::string& text)
    {
        fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, text);
        fake.pasteboard.fireWatch();
    }
    void send(const std::string& body) { hub->didReceiveScriptMessage("pr2Clip", body); }
    // A document that has just started asks for its state.
    void pageStarts() { send(R"({"cmd":"list"})"); }
    // The texts the last push sent, and the entries whose texts it named, newest first.
    std::vector<std::string> sentTexts() const { return column(true); }
    std::vector<std::string> namedIds() const { return column(false); }
    std::string idOf(const std::string& text) const
    {
        for (const Clip& clip : hub->clip.items)
            if (clip.text == text)
                return clip.id;
        return {};
    }

private:
    std::vector<std::string> column(bool sent) const
    {
        std::vector<std::string> values;
        const rapidjson::Document snapshot = test::snapshotOf(lastRender());
        for (const auto& row : snapshot["items"].GetArray()) {
            const bool named = row.HasMember("textHeld") && row["textHeld"].GetBool();
            EXPECT_NE(named, row.HasMember("text")) << "a row either sends its text or names it";
            if (sent && !named)
                values.emplace_back(row["text"].GetString());
            if (!sent && named)
                values.emplace_back(row["id"].GetString());
        }
        return values;
    }
};

TEST(HubPageTexts, APushAfterACopySendsOnlyTheNewTextAndNamesTheOthers)
{
    TextsFixture f;
    f.copy("one");
    f.copy("two");
    f.pageStarts();
    EXPECT_EQ(f.sentTexts(), (std::vector<std::string>{"two", "one"})) << "a new page gets every text";
    f.fake.host.finishScripts();

    f.copy("three");
    EXPECT_EQ(f.sentTexts(), std::vector<std::string>{"three"});
    EXPECT_EQ(f.namedIds(), (std::vector<std::string>{f.idOf("two"), f.idOf("one")}));
}

// A text counts as held only once the script that carried it has completed: a page that started
// again meanwhile (reloaded after its web process ended) never took it.
TEST(HubPageTexts, TextsOfAPushThatDidNotCompleteAreSentAgainToTheNextDocument)
{
    TextsFixture f;
    f.copy("one");
    f.pageStarts();
    f.fake.host.finishScripts();
    f.copy("two");
    ASSERT_EQ(f.sentTexts(), std::vector<std::string>{"two"});

    f.pageStarts();
    EXPECT_EQ(f.sentTexts(), (std::vector<std::string>{"two", "one"}));
    EXPECT_TRUE(f.namedIds().empty());
    // The lost script's late completion belongs to the document before.
    EXPECT_EQ(f.fake.host.finishScripts(), 2u);
    f.copy("three");
    EXPECT_EQ(f.sentTexts(), std::vector<std::string>{"three"});
    EXPECT_EQ(f.namedIds().size(), 2u);
}

// A page that finds a name it does not hold asks with "list"; naming the texts again would leave
// it asking for ever.
TEST(HubPageTexts, APageThatAsksAgainGetsEveryTextEvenAfterCompletedPushes)
{
    TextsFixture f;
    f.copy("one");
    f.pageStarts();
    f.fake.host.finishScripts();
    f.pageStarts();
    EXPECT_EQ(f.sentTexts(), std::vector<std::string>{"one"});
    EXPECT_TRUE(f.namedIds().empty());
}

// The page drops the texts of the entries a snapshot leaves out (another session's); they must be
// sent again when they come back.
TEST(HubPageTexts, TextsOfAnotherSessionAreSentAgainAfterSwitchingBack)
{
    TextsFixture f;
    f.fake.host.holdScripts = false;
    f.copy("work text");
    f.pageStarts();
    const std::string work = f.hub->currentSessionId();
    f.send(R"({"cmd":"sessionCreate","name":"Home"})");
    ASSERT_NE(f.hub->currentSessionId(), work);
    f.send(R"({"cmd":"sessionSwitch","id":")" + work + R"("})");
    EXPECT_EQ(f.sentTexts(), std::vector<std::string>{"work text"});
}

TEST(HubPageTexts, ARebuiltPageGetsEveryText)
{
    TextsFixture f;
    f.fake.host.holdScripts = false;
    f.copy("kept");
    f.pageStarts();
    f.fake.host.hideWindow();
    f.fake.loop.advance(pageReleaseDelaySeconds + 1);
    ASSERT_FALSE(f.fake.host.hasWebView);

    f.hub->performMenuAction(MenuAction::ShowMainWindow);
    f.hub->pageDidFinishLoading();
    f.pageStarts();
    EXPECT_EQ(f.sentTexts(), std::vector<std::string>{"kept"});
}

// A pause after a large snapshot made a second click on a toggle arrive after the pause and
// undo the first on screen; the next push now follows at once, and it is small.
TEST(HubPageTexts, APushFollowsALargeOneAtOnceAndCarriesOnlyWhatChanged)
{
    TextsFixture f;
    f.fake.defaults.setInt(Def::historyLimit, 500);
    f.fake.host.holdScripts = false;
    for (int i = 0; i < 100; ++i)
        f.copy(std::to_string(i) + std::string(49'990, 'x'));
    f.pageStarts();
    ASSERT_GE(f.lastRender().size(), 5'000'000u);

    const size_t before = f.renders();
    f.send(R"({"cmd":"pin","id":")" + f.idOf("99" + std::string(49'990, 'x')) + R"(","pinned":true})");
    ASSERT_EQ(f.renders(), before + 1) << "no pause before the next push";
    EXPECT_LT(f.lastRender().size(), 50'000u);
    EXPECT_TRUE(f.sentTexts().empty());
}

// A new page is drawn from the beginnings of long texts; the whole texts follow in the next push,
// and the page gets the keys only once it holds them, so a search typed at once finds what lies
// past a beginning.
TEST(HubPageTexts, ANewPageGetsTheBeginningsOfLongTextsFirstAndTheWholeTextsRightAfter)
{
    TextsFixture f;
    // One byte before two-byte letters puts the cut inside a letter; it moves to the letter's start.
    std::string longText = "a";
    for (int i = 0; i < 3000; ++i)
        longText += "\u00e9";
    f.copy(longText);
    f.copy("short");
    const auto askedForKeys = [&f] {
        return std::ranges::count_if(f.fake.host.scripts, [](const std::string& script) {
            return script.starts_with("window.__pr2clip.readyForKeys(");
        });
    };

    f.pageStarts();
    const rapidjson::Document first = test::snapshotOf(f.lastRender());
    const auto& cut = first["items"][1];
    ASSERT_TRUE(cut.HasMember("textPart"));
    EXPECT_TRUE(cut["textPart"].GetBool());
    EXPECT_EQ(cut["chars"].GetInt(), 3001);
    EXPECT_EQ(std::string(cut["text"].GetString()), longText.substr(0, 4095));
    EXPECT_FALSE(first["items"][0].HasMember("textPart")) << "a short text goes whole";

    f.fake.host.finishScripts();
    EXPECT_EQ(f.sentTexts(), std::vector<std::string>{longText}) << "the whole text follows at once";
    EXPECT_EQ(f.namedIds(), std::vector<std::string>{f.idOf("short")});
    EXPECT_EQ(askedForKeys(), 0) << "not before the page holds the whole texts";
    f.fake.host.finishScripts();
    EXPECT_EQ(askedForKeys(), 1);

    f.copy("later");
    EXPECT_EQ(f.sentTexts(), std::vector<std::string>{"later"}) << "later pushes send no beginnings";
}

// Only the first snapshot of a page is cut: a page that asks again holds the whole texts it had,
// and one that was handed a name it did not know must get whole texts to search.
TEST(HubPageTexts, APageThatAsksAgainGetsWholeTexts)
{
    TextsFixture f;
    f.fake.host.holdScripts = false;
    const std::string longText(10'000, 'q');
    f.copy(longText);
    f.pageStarts();
    f.pageStarts();
    EXPECT_EQ(f.sentTexts(), std::vector<std::string>{longText});
}

} // namespace
} // namespace brimble
