#include <gtest/gtest.h>

#include "history/AppSupport.h"
#include "history/ClipCodec.h"
#include "history/ImageFiles.h"
#include "history/UndoShelf.h"
#include "platform/fake/FakePlatform.h"
#include "settings/Settings.h"
#include "support/TempDir.h"
#include "support/TestClips.h"

namespace brimble {
namespace {

using test::clip;
using test::readFile;
using test::writeFile;

// What a user sees of an entry: its text, pin, block and session, in order; ids are fresh.
std::vector<std::string> shape(const std::vector<Clip>& clips)
{
    std::vector<std::string> out;
    for (const Clip& c : clips)
        out.push_back(std::string(c.text) + (c.pinned ? " pinned" : "") + (c.blockId ? " in " + *c.blockId : "") +
                      " @" + c.sessionId);
    return out;
}

const auto anyBlock = [](const std::string& id) { return id == "B"; };

class UndoShelfTest : public testing::Test {
protected:
    std::unique_ptr<ClipboardStore> storeWith(const std::vector<Clip>& clips)
    {
        writeFile(home.path() / "Brimble" / "clipboard.json", encodeClips(clips).value());
        return std::make_unique<ClipboardStore>(home.path(), defaults);
    }
    // The history as the file on disk holds it.
    std::vector<std::string> onDisk() const
    {
        return shape(decodeClips(readFile(home.path() / "Brimble" / "clipboard.json")).value());
    }

    test::TempDir home;
    FakeLog log;
    FakeDefaults defaults{log};
    UndoShelf shelf;
};

// Every way of removing comes back as it stood: place among the others, pin, block, session,
// in memory and on disk.
TEST_F(UndoShelfTest, EachRemovalComesBackWhereItStood)
{
    const std::vector<Clip> start{clip("P", true, "S", "B"), clip("A"), clip("X", false, "T"), clip("C", false, "S", "B"),
                                  clip("D")};
    struct Case {
        const char* name;
        std::function<std::vector<RemovedEntry>(ClipboardStore&)> remove;
        RemovalKind kind;
        size_t count;
    };
    const std::vector<Case> cases{
        {"delete a pinned one in a block", [](ClipboardStore& s) { return s.remove("P"); }, RemovalKind::Deleted, 1},
        {"delete from the middle", [](ClipboardStore& s) { return s.remove("C"); }, RemovalKind::Deleted, 1},
        {"delete a selection with gaps",
         [](ClipboardStore& s) {
             const std::vector<std::string> ids{"A", "D", "P"};
             return s.removeMany(ids);
         },
         RemovalKind::Deleted, 3},
        {"clear the session", [](ClipboardStore& s) { return s.clearSession("S"); }, RemovalKind::Cleared, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto store = storeWith(start);
        shelf.put(*store, c.kind, "S", c.remove(*store), 1000);
        const auto offer = shelf.offer("S", 1001);
        ASSERT_TRUE(offer);
        EXPECT_EQ(offer->kind, c.kind);
        EXPECT_EQ(offer->count, c.count);

        const auto back = shelf.undo(*store, "S", 1002, anyBlock);
        EXPECT_EQ(back.size(), c.count);
        EXPECT_EQ(shape(store->items), shape(start));
        EXPECT_EQ(onDisk(), shape(start));
        // Fresh ids: a sync journal that recorded the delete takes them as new entries.
        for (const std::string& id : back)
            EXPECT_EQ(id.size(), 36u);
        EXPECT_FALSE(shelf.offer("S", 1003)) << "one undo per removal";
    }
}

// The offer lasts ten seconds and only in the session where the removal was made.
TEST_F(UndoShelfTest, OfferEndsAfterItsTimeAndStaysInItsSession)
{
    auto store = storeWith({clip("A"), clip("B")});
    const uint64_t first = shelf.put(*store, RemovalKind::Deleted, "S", store->remove("A"), 1000);
    const uint64_t second = shelf.put(*store, RemovalKind::Deleted, "S", store->remove("B"), 1004);
    EXPECT_EQ(shelf.offer("S", 1005)->serial, second);
    EXPECT_FALSE(shelf.offer("T", 1005)) << "a session switch must not undo what the user cannot see";
    EXPECT_TRUE(shelf.undo(*store, "T", 1005, anyBlock).empty());
    EXPECT_EQ(shelf.put(*store, RemovalKind::Deleted, "S", store->remove("nothing"), 1005), 0u);

    EXPECT_TRUE(shelf.expire(*store, 1010.5));
    EXPECT_EQ(shelf.offer("S", 1010.5)->serial, second);
    EXPECT_NE(first, second);
    EXPECT_FALSE(shelf.expire(*store, 1011));
    EXPECT_TRUE(shelf.expire(*store, 1014));
    EXPECT_FALSE(shelf.offer("S", 1014));
    EXPECT_TRUE(shelf.undo(*store, "S", 1014, anyBlock).empty());
}

// Guards files pruned at the delete: the picture must still be there for the undo, and go only
// when the offer ends.
TEST_F(UndoShelfTest, PictureFileStaysUntilTheOfferEnds)
{
    const std::string png("\x89PNG\r\n\x1a\nrest", 12);
    const auto name = writeImage(home.path(), std::span(reinterpret_cast<const uint8_t*>(png.data()), png.size()), "png");
    ASSERT_TRUE(name);
    Clip picture = clip("I");
    picture.kind = "image";
    picture.imgFile = *name;
    picture.sig = "ab";
    const auto file = AppSupport::imagesFolder(home.path()) / *name;

    auto store = storeWith({picture, clip("A")});
    shelf.put(*store, RemovalKind::Deleted, "S", store->remove("I"), 1000);
    store->addText("new copy", 1001, "S"); // prunes
    EXPECT_TRUE(std::filesystem::exists(file));
    ASSERT_EQ(shelf.undo(*store, "S", 1002, anyBlock).size(), 1u);
    EXPECT_EQ(store->items.at(1).imgFile, name) << "back before the entry it stood before";

    shelf.put(*store, RemovalKind::Deleted, "S", store->remove(store->items.at(1).id), 1003);
    EXPECT_TRUE(std::filesystem::exists(file));
    shelf.expire(*store, 1013);
    EXPECT_FALSE(std::filesystem::exists(file));
}

// What happened meanwhile: the same text copied again is not doubled and keeps the pin; a
// deleted block is not pointed at; the history limit still holds.
TEST_F(UndoShelfTest, ChangesMadeMeanwhileAreRespected)
{
    {
        auto store = storeWith({clip("A", true), clip("C", false, "S", "B")});
        shelf.put(*store, RemovalKind::Deleted, "S", store->removeMany(std::vector<std::string>{"A", "C"}), 1000);
        store->addText("text A", 1001, "S");
        const auto back = shelf.undo(*store, "S", 1002, [](const std::string&) { return false; });
        EXPECT_EQ(back.size(), 1u);
        EXPECT_EQ(shape(store->items), (std::vector<std::string>{"text A pinned @S", "text C @S"}));
    }
    {
        defaults.setInt(Def::historyLimit, 10);
        std::vector<Clip> full;
        for (int i = 0; i < 10; ++i)
            full.push_back(clip(std::to_string(i)));
        auto store = storeWith(full);
        shelf.put(*store, RemovalKind::Deleted, "S", store->remove("4"), 2000);
        store->addText("newer", 2001, "S");
        ASSERT_EQ(shelf.undo(*store, "S", 2002, anyBlock).size(), 1u);
        EXPECT_EQ(store->items.size(), 10u);
        EXPECT_EQ(std::string(store->items.at(5).text), "text 4") << "back before the entry after it, not shifted";
        EXPECT_EQ(std::string(store->items.back().text), "text 8") << "the oldest went to the limit";
    }
}

} // namespace
} // namespace brimble
