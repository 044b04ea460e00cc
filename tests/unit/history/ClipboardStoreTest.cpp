#include <cmath>

#include <gtest/gtest.h>

#include "settings/Settings.h"
#include "history/ClipCodec.h"
#include "history/ClipboardStore.h"
#include "platform/fake/FakePlatform.h"
#include "support/TempDir.h"
#include "support/TestClips.h"

namespace brimble {
namespace {

using test::clip;
using test::fileMode;
using test::readFile;
using test::writeFile;

// A marker the store never writes: if it is still in the file after an operation, that
// operation did not save.
constexpr const char* untouched = "untouched";

std::vector<std::string> ids(const std::vector<Clip>& clips)
{
    std::vector<std::string> out;
    for (const Clip& c : clips)
        out.push_back(c.id);
    return out;
}

class ClipboardStoreTest : public testing::Test {
protected:
    std::filesystem::path historyFile() const { return home.path() / "Brimble" / "clipboard.json"; }

    // A store over `clips`, with the file holding the marker so that saves can be told apart.
    std::unique_ptr<ClipboardStore> storeWith(std::vector<Clip> clips)
    {
        writeFile(historyFile(), encodeClips(clips).value());
        auto store = std::make_unique<ClipboardStore>(home.path(), defaults);
        writeFile(historyFile(), untouched);
        return store;
    }

    bool saved() const { return readFile(historyFile()) != untouched; }

    // The history as the file holds it now.
    std::vector<std::string> fileIds() const
    {
        const auto clips = decodeClips(readFile(historyFile()));
        return clips ? ids(*clips) : std::vector<std::string>{"<undecodable>"};
    }

    std::vector<std::filesystem::path> unreadableCopies() const
    {
        std::vector<std::filesystem::path> found;
        for (const auto& entry : std::filesystem::directory_iterator(historyFile().parent_path()))
            if (entry.path().filename().string().starts_with("clipboard.json.unreadable-"))
                found.push_back(entry.path());
        return found;
    }

    test::TempDir home;
    FakeLog log;
    FakeDefaults defaults{log};
};

TEST_F(ClipboardStoreTest, LoadingPutsPinnedEntriesFirstInStableOrder)
{
    auto store = storeWith({clip("A"), clip("B", true), clip("C"), clip("D", true)});
    EXPECT_EQ(ids(store->items), (std::vector<std::string>{"B", "D", "A", "C"}));
    EXPECT_FALSE(saved()) << "a plain load writes nothing";
}

TEST_F(ClipboardStoreTest, MissingFileGivesAnEmptyHistoryAndNoCopy)
{
    ClipboardStore store(home.path(), defaults);
    EXPECT_TRUE(store.items.empty());
    store.save();
    EXPECT_EQ(readFile(historyFile()), "[]");
    EXPECT_TRUE(unreadableCopies().empty());
}

// The history used to be overwritten when it could not be decoded; one bad record lost it all.
TEST_F(ClipboardStoreTest, UndecodableFileIsMovedAsideBeforeTheFirstSave)
{
    const std::string original = R"([{"id":"A","ts":"yesterday","text":"precious"}])";
    writeFile(historyFile(), original);
    ClipboardStore store(home.path(), defaults);
    EXPECT_TRUE(store.items.empty());
    EXPECT_EQ(readFile(historyFile()), original) << "loading alone changes nothing";

    store.items.push_back(clip("N"));
    store.save();
    const auto copies = unreadableCopies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(readFile(copies.front()), original);
    EXPECT_EQ(fileIds(), (std::vector<std::string>{"N"}));

    store.save();
    EXPECT_EQ(unreadableCopies().size(), 1u) << "only the file found at start is kept";
}

TEST_F(ClipboardStoreTest, SaveCreatesTheFolderAndAnOwnerOnlyFile)
{
    auto store = std::make_unique<ClipboardStore>(home.path(), defaults);
    store->items = {clip("A")};
    store->save();
    EXPECT_EQ(fileIds(), (std::vector<std::string>{"A"}));
    EXPECT_EQ(fileMode(historyFile()), 0600);
}

TEST_F(ClipboardStoreTest, ExistingLooserModeIsNarrowedOnSave)
{
    auto store = storeWith({clip("A")});
    std::filesystem::permissions(historyFile(), std::filesystem::perms(0644));
    store->save();
    EXPECT_EQ(fileMode(historyFile()), 0600);
}

// `items` is changed in place by other code; a save must never write an entry's old form.
TEST_F(ClipboardStoreTest, SaveSeesEntriesChangedInPlace)
{
    auto store = storeWith({clip("A"), clip("B")});
    store->save();
    store->items[1].text = "edited";
    store->items[0].blockId = "K";
    store->save();
    const auto clips = decodeClips(readFile(historyFile())).value();
    EXPECT_EQ(clips[0].blockId, std::optional<std::string>("K"));
    EXPECT_EQ(clips[1].text, "edited");

    // Two entries that share an id must both be written as they are.
    store->items = {clip("A"), clip("A")};
    store->items[1].text = "second";
    store->save();
    const auto twins = decodeClips(readFile(historyFile())).value();
    ASSERT_EQ(twins.size(), 2u);
    EXPECT_EQ(twins[0].text, "text A");
    EXPECT_EQ(twins[1].text, "second");
}

TEST_F(ClipboardStoreTest, EntryThatCannotBeEncodedSkipsTheWrite)
{
    auto store = storeWith({clip("A")});
    store->items.push_back(clip("B"));
    store->items.back().ts = std::nan("");
    store->save();
    EXPECT_FALSE(saved());
}

TEST_F(ClipboardStoreTest, FindReturnsTheFirstEntryWithTheId)
{
    auto store = storeWith({clip("A"), clip("B")});
    store->items.push_back(clip("A", false, "other"));
    ASSERT_TRUE(store->find("A"));
    EXPECT_EQ(store->find("A")->sessionId, "S");
    EXPECT_FALSE(store->find("a")) << "ids compare exactly";
    EXPECT_FALSE(store->find("Z"));
}

TEST_F(ClipboardStoreTest, TouchMovesTheEntryToTheFrontOfItsGroup)
{
    auto store = storeWith({clip("P", true), clip("X"), clip("Y")});
    store->touch("Y", 500);
    EXPECT_EQ(ids(store->items), (std::vector<std::string>{"P", "Y", "X"}));
    EXPECT_EQ(store->items[1].ts, 500);
    EXPECT_EQ(fileIds(), ids(store->items));
}

TEST_F(ClipboardStoreTest, TouchOfAnUnknownIdWritesNothing)
{
    auto store = storeWith({clip("P", true), clip("X")});
    store->touch("nope", 500);
    EXPECT_FALSE(saved());
    EXPECT_EQ(store->items[0].ts, 100);
}

TEST_F(ClipboardStoreTest, TogglePinFlipsReordersAndSaves)
{
    auto store = storeWith({clip("A"), clip("B")});
    store->togglePin("B");
    EXPECT_EQ(ids(store->items), (std::vector<std::string>{"B", "A"}));
    EXPECT_TRUE(store->items[0].pinned);
    EXPECT_EQ(fileIds(), (std::vector<std::string>{"B", "A"}));

    writeFile(historyFile(), untouched);
    store->togglePin("nope");
    EXPECT_FALSE(saved());
}

TEST_F(ClipboardStoreTest, UnpinningPastTheHistoryLimitDropsTheOldest)
{
    defaults.setInt(Def::historyLimit, 10);
    std::vector<Clip> clips = {clip("P", true)};
    for (int i = 0; i < 10; ++i)
        clips.push_back(clip("U" + std::to_string(i)));
    auto store = storeWith(clips);
    store->togglePin("P");
    ASSERT_EQ(store->items.size(), 10u);
    EXPECT_EQ(store->items.front().id, "P") << "it keeps its place at the front";
    EXPECT_EQ(store->items.back().id, "U8") << "U9, the oldest, goes";
    EXPECT_EQ(fileIds().size(), 10u);
}

TEST_F(ClipboardStoreTest, SetPinnedChangesOnlyNamedEntries)
{
    auto store = storeWith({clip("A"), clip("B"), clip("C")});
    const std::vector<std::string> named = {"C", "A", "missing"};
    store->setPinned(named, true);
    EXPECT_EQ(ids(store->items), (std::vector<std::string>{"A", "C", "B"}));
    EXPECT_EQ(fileIds(), (std::vector<std::string>{"A", "C", "B"}));
}

TEST_F(ClipboardStoreTest, SetPinnedWithNothingToChangeWritesNothing)
{
    auto store = storeWith({clip("A", true), clip("B")});
    const std::vector<std::string> already = {"A", "missing"};
    store->setPinned(already, true);
    EXPECT_FALSE(saved());
    store->setPinned(std::vector<std::string>{"B"}, false);
    EXPECT_FALSE(saved());
}

TEST_F(ClipboardStoreTest, RemoveDropsEveryEntryWithTheIdAndAlwaysSaves)
{
    auto store = storeWith({clip("A"), clip("B")});
    store->items.push_back(clip("A"));
    store->remove("A");
    EXPECT_EQ(ids(store->items), (std::vector<std::string>{"B"}));
    EXPECT_EQ(fileIds(), (std::vector<std::string>{"B"}));

    writeFile(historyFile(), untouched);
    store->remove("nope");
    EXPECT_TRUE(saved());
}

TEST_F(ClipboardStoreTest, RemovingAnEntryRemovesItsPictureFileOnceNoUndoHoldsIt)
{
    Clip picture = clip("I");
    picture.kind = "image";
    picture.imgFile = "11111111-0000-4000-8000-000000000000.png";
    auto store = storeWith({picture, clip("B")});
    const auto pictureFile = home.path() / "Brimble" / "clipboard-images" / *picture.imgFile;
    writeFile(pictureFile, "png");
    store->remove("I");
    EXPECT_TRUE(std::filesystem::exists(pictureFile)) << "an undo may still need it";
    store->holdFiles({});
    store->pruneImages();
    EXPECT_FALSE(std::filesystem::exists(pictureFile));
}

TEST_F(ClipboardStoreTest, RemoveManyWithUnknownIdsStillSaves)
{
    auto store = storeWith({clip("A"), clip("B"), clip("C")});
    store->removeMany(std::vector<std::string>{"nope"});
    EXPECT_TRUE(saved());
    store->removeMany(std::vector<std::string>{"C", "A"});
    EXPECT_EQ(fileIds(), (std::vector<std::string>{"B"}));
}

TEST_F(ClipboardStoreTest, ClearSessionKeepsPinnedEntriesAndOtherSessions)
{
    auto store = storeWith({clip("P", true, "S"), clip("A", false, "S"), clip("O", false, "T"), clip("B", false, "S")});
    store->clearSession("S");
    EXPECT_EQ(ids(store->items), (std::vector<std::string>{"P", "O"}));
    EXPECT_EQ(fileIds(), (std::vector<std::string>{"P", "O"}));

    writeFile(historyFile(), untouched);
    store->clearSession("empty session");
    EXPECT_TRUE(saved());
}

TEST_F(ClipboardStoreTest, ReorderPlacesListedEntriesFirstAndSetsTheirBlock)
{
    auto store = storeWith({clip("a", false, "S", "K1"), clip("b", false, "S", "K2"), clip("c", false, "S", "K1")});
    store->reorderClips(std::vector<std::string>{"c", "a", "zz", "c"}, std::nullopt);
    EXPECT_EQ(ids(store->items), (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_EQ(store->items[0].blockId, std::nullopt);
    EXPECT_EQ(store->items[1].blockId, std::nullopt);
    EXPECT_EQ(store->items[2].blockId, std::optional<std::string>("K2"));
    EXPECT_EQ(fileIds(), (std::vector<std::string>{"c", "a", "b"}));

    store->reorderClips(std::vector<std::string>{"b"}, "K3");
    EXPECT_EQ(ids(store->items), (std::vector<std::string>{"b", "c", "a"}));
    EXPECT_EQ(store->items[0].blockId, std::optional<std::string>("K3"));
}

// The page owns the order it sends, pinned entries included; the store must not re-sort it.
TEST_F(ClipboardStoreTest, ReorderKeepsThePageOrderEvenAgainstPinning)
{
    auto store = storeWith({clip("P", true), clip("U")});
    store->reorderClips(std::vector<std::string>{"U"}, std::nullopt);
    EXPECT_EQ(ids(store->items), (std::vector<std::string>{"U", "P"}));
    EXPECT_EQ(fileIds(), (std::vector<std::string>{"U", "P"}));

    writeFile(historyFile(), untouched);
    store->reorderClips(std::vector<std::string>{}, std::nullopt);
    EXPECT_TRUE(saved());
}

TEST_F(ClipboardStoreTest, AssignSessionMovesEntriesOutOfTheirBlock)
{
    auto store = storeWith({clip("A", false, "S", "K"), clip("B", false, "S", "K")});
    store->assignSession(std::vector<std::string>{"A"}, "T");
    EXPECT_EQ(store->items[0].sessionId, "T");
    EXPECT_EQ(store->items[0].blockId, std::nullopt);
    EXPECT_EQ(store->items[1].sessionId, "S");
    EXPECT_EQ(store->items[1].blockId, std::optional<std::string>("K"));
    EXPECT_EQ(decodeClips(readFile(historyFile())).value()[0].sessionId, "T");

    writeFile(historyFile(), untouched);
    store->assignSession(std::vector<std::string>{"nope"}, "T");
    EXPECT_TRUE(saved());
}

TEST_F(ClipboardStoreTest, AssignBlockSetsOrClearsTheBlock)
{
    auto store = storeWith({clip("A", false, "S", "K"), clip("B")});
    store->assignBlock(std::vector<std::string>{"B"}, "K2");
    EXPECT_EQ(store->items[1].blockId, std::optional<std::string>("K2"));
    store->assignBlock(std::vector<std::string>{"A"}, std::nullopt);
    EXPECT_EQ(store->items[0].blockId, std::nullopt);
    EXPECT_EQ(decodeClips(readFile(historyFile())).value()[0].blockId, std::nullopt);

    writeFile(historyFile(), untouched);
    store->assignBlock(std::vector<std::string>{"nope"}, "K");
    EXPECT_TRUE(saved());
}

TEST_F(ClipboardStoreTest, AdoptOrphansSavesOnlyWhenSomethingChanged)
{
    auto store = storeWith({clip("A", false, ""), clip("B", false, "other")});
    store->adoptOrphans("S");
    EXPECT_EQ(store->items[0].sessionId, "S");
    EXPECT_EQ(store->items[1].sessionId, "other") << "an unknown session is not repaired";
    EXPECT_EQ(decodeClips(readFile(historyFile())).value()[0].sessionId, "S");

    writeFile(historyFile(), untouched);
    store->adoptOrphans("S");
    EXPECT_FALSE(saved());
}

TEST(PinnedFirst, IsAStablePartition)
{
    const std::vector<Clip> list = {clip("A"), clip("B", true), clip("C"), clip("D", true), clip("E")};
    EXPECT_EQ(ids(pinnedFirst(list)), (std::vector<std::string>{"B", "D", "A", "C", "E"}));
    EXPECT_TRUE(pinnedFirst({}).empty());
}

} // namespace
} // namespace brimble
