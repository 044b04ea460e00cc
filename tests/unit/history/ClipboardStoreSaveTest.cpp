// The bytes of a save: written from the per-entry cache and from the texts themselves, they must
// be exactly what encoding the whole history at once gives, whatever changed since the last save.
// And the texts behind them: each is held once, however often the entry is looked up or saved.

#include <limits>
#include <set>

#include <gtest/gtest.h>

#include "history/AppSupport.h"
#include "history/ClipCodec.h"
#include "history/ClipboardStore.h"
#include "platform/fake/FakePlatform.h"
#include "support/TempDir.h"

namespace brimble {
namespace {

using test::readFile;

Clip textEntry(const std::string& id, std::string text)
{
    Clip clip;
    clip.id = id;
    clip.ts = 1760000000.25;
    clip.text = std::move(text);
    clip.sessionId = "S";
    return clip;
}

// Texts that are written as they are and texts that need escapes or repair, side by side.
std::vector<Clip> mixedHistory()
{
    std::vector<Clip> clips = {
        textEntry("PROSE", "lorem ipsum dolor sit amet, " + std::string(5000, 'p')),
        textEntry("QUOTES", "say \"hi\" and \"bye\""),
        textEntry("BACKSLASH", "C:\\Users\\me"),
        textEntry("CONTROL", "line one\nline two\ttabbed\x01\x1F"),
        textEntry("NUL", std::string("before\0after", 12)),
        textEntry("UNICODE", "caf\xC3\xA9 \xE2\x80\x94 \xF0\x9F\x98\x80 \xE6\x97\xA5\xE6\x9C\xAC"),
        textEntry("BROKEN", "cut \xC3 short"),
        textEntry("EMPTY", ""),
    };
    Clip picture = textEntry("PICTURE", "PNG \xC2\xB7 640\xC3\x97" "480");
    picture.kind = "image";
    picture.imgFile = "PICTURE.png";
    picture.sig = std::string(64, 'a');
    picture.blockId = "BLOCK";
    picture.pinned = true;
    clips.insert(clips.begin(), picture);
    return clips;
}

class ClipboardStoreSaveTest : public testing::Test {
protected:
    std::string fileBytes() const { return readFile(AppSupport::historyFile(home.path())); }
    std::string plainEncoding() const { return encodeClips(store.items).value(); }

    test::TempDir home;
    FakeLog log;
    FakeDefaults defaults{log};
    ClipboardStore store{home.path(), defaults};
};

TEST_F(ClipboardStoreSaveTest, BytesEqualThePlainEncoderForEveryKindOfText)
{
    store.items = mixedHistory();
    store.save();
    EXPECT_EQ(fileBytes(), plainEncoding());
    EXPECT_EQ(decodeClips(fileBytes())->size(), store.items.size());
}

// A cached entry must be written again when anything in it changed: its time, or its text for
// another of the same length (a cache that compared sizes or buffers only would miss it).
TEST_F(ClipboardStoreSaveTest, BytesStayExactAfterEntriesChangeBetweenSaves)
{
    store.items = mixedHistory();
    store.save();

    store.items[1].ts += 1;
    store.items[2].text = "lorem ipsum dolor sit amet, " + std::string(5000, 'q');
    store.items[3].text = std::string("say \"ho\" and \"bye\"");
    std::swap(store.items[4], store.items[5]);
    store.items.pop_back();
    store.save();
    EXPECT_EQ(fileBytes(), plainEncoding());

    store.addText("a fresh copy, with \"quotes\"", 1770000000, "S");
    EXPECT_EQ(fileBytes(), plainEncoding());
    store.addText("a fresh copy without any", 1770000001, "S");
    EXPECT_EQ(fileBytes(), plainEncoding());
}

// Two entries may share an id (a hand-edited file); the second is encoded on its own and must not
// be written with the first one's JSON.
TEST_F(ClipboardStoreSaveTest, EntriesSharingAnIdAreEachWrittenAsTheyAre)
{
    store.items = {textEntry("TWIN", "first"), textEntry("TWIN", "second \"twin\""), textEntry("TWIN", "third")};
    store.save();
    EXPECT_EQ(fileBytes(), plainEncoding());
    store.save();
    EXPECT_EQ(fileBytes(), plainEncoding()) << "saved again from the cache";
}

// A captured text of 50,000 characters copied on its way in, or at every lookup, multiplies the
// memory of a long history.
TEST_F(ClipboardStoreSaveTest, ACapturedTextIsHeldOnceThroughLookupsAndSaves)
{
    std::string text(8000, 't');
    const char* buffer = text.data();
    const std::string id = store.addText(std::move(text), 1770000000, "S");
    store.addText("a later copy", 1770000001, "S");
    store.touch(id, 1770000002);

    ASSERT_EQ(store.items.front().id, id);
    EXPECT_EQ(store.items.front().text.data(), buffer) << "the capture's string is taken over";
    EXPECT_EQ(store.find(id)->text.data(), buffer) << "a lookup shares the text";
    EXPECT_EQ(fileBytes(), plainEncoding());
}

// Only a text that the writer copies unchanged may be left out; the parts must join to exactly
// the entry's whole JSON.
TEST(ClipJsonAroundText, PartsJoinToTheWholeEntry)
{
    const std::set<std::string> apart = {"PICTURE", "PROSE", "UNICODE", "EMPTY"};
    for (const Clip& clip : mixedHistory()) {
        const std::optional<ClipJson> parts = encodeClipAroundText(clip);
        ASSERT_TRUE(parts) << clip.id;
        EXPECT_EQ(parts->textApart, apart.contains(clip.id)) << clip.id;
        const std::string joined = parts->textApart ? parts->before + clip.text.str() + parts->after : parts->before;
        EXPECT_EQ(joined, encodeClip(clip).value()) << clip.id;
        EXPECT_TRUE(parts->textApart || parts->after.empty()) << clip.id;
    }
    Clip unwritable = textEntry("X", "plain");
    unwritable.ts = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(encodeClipAroundText(unwritable));
}

} // namespace
} // namespace brimble
