#include <gtest/gtest.h>

#include "CaptureFixture.h"
#include "history/CopyBack.h"

namespace brimble::test {
namespace {

struct CopyBackFixture : CaptureFixture {
    void copyBack(const std::string& id)
    {
        fake.clock.time += 10;
        copyToPasteboard(store, fake.pasteboard, *fake.codec, id, fake.clock.time, clipLastChange);
    }
    std::vector<std::string> ids() const
    {
        std::vector<std::string> out;
        for (const Clip& clip : store.items)
            out.push_back(clip.id);
        return out;
    }
};

TEST(CopyBack, TextGoesBackExactlyAndTheNextTickRecordsNothing)
{
    CopyBackFixture f;
    f.copyAndTick("  spaced out  ");
    f.copyAndTick("newer");
    const std::string id = f.store.items[1].id;
    f.fake.log_.clear();

    f.copyBack(id);

    EXPECT_EQ(f.fake.log(), (std::vector<std::string>{"pasteboard: clear", "pasteboard: text   spaced out  "}));
    EXPECT_EQ(f.clipLastChange, f.fake.pasteboard.count);
    EXPECT_EQ(f.tick(), PushNeeded::No);
    EXPECT_EQ(f.texts(), (std::vector<std::string>{"  spaced out  ", "newer"}));
    EXPECT_EQ(f.store.items[0].id, id);
    EXPECT_EQ(f.store.items[0].ts, f.fake.clock.time);
    // Moved and saved at once.
    EXPECT_LT(readFile(f.historyFile()).find("spaced out"), readFile(f.historyFile()).find("newer"));
}

TEST(CopyBack, PictureGoesBackAndItsImageTypesAreNotRecorded)
{
    CopyBackFixture f;
    f.copyPicture(pictureBytes(640, 480, "png"));
    f.tick();
    f.copyAndTick("text after");
    const std::string id = f.store.items[1].id;

    f.copyBack(id);

    EXPECT_EQ(f.fake.pasteboard.writtenImage, "640\u00D7480");
    EXPECT_TRUE(f.fake.pasteboard.currentTypes.contains("public.png"));
    EXPECT_EQ(f.tick(), PushNeeded::No);
    EXPECT_EQ(f.store.items.size(), 2u);
    EXPECT_EQ(f.store.items[0].id, id);
    EXPECT_EQ(f.imageFiles().size(), 1u);
}

TEST(CopyBack, PictureWhoseFileIsGonePutsItsLabel)
{
    CopyBackFixture f;
    f.copyPicture(pictureBytes(64, 48, "png"));
    f.tick();
    const Clip clip = f.store.items[0];
    std::filesystem::remove(f.imagesDir() / *clip.imgFile);

    f.copyBack(clip.id);

    EXPECT_EQ(f.fake.pasteboard.currentText, "PNG \u00B7 64\u00D748");
    EXPECT_EQ(f.fake.pasteboard.writtenImage, "");
    EXPECT_EQ(f.store.items[0].ts, f.fake.clock.time);
}

TEST(CopyBack, PictureFileThatIsNoPicturePutsItsLabel)
{
    // A damaged file must not leave the clipboard empty.
    CopyBackFixture f;
    f.copyPicture(pictureBytes(64, 48, "png"));
    f.tick();
    const Clip clip = f.store.items[0];
    writeFile(f.imagesDir() / *clip.imgFile, "garbage");

    f.copyBack(clip.id);
    EXPECT_EQ(f.fake.pasteboard.currentText, "PNG \u00B7 64\u00D748");
}

TEST(CopyBack, TextEntryNamingAFileStillPutsText)
{
    // Only picture entries go back as pictures.
    CopyBackFixture f;
    f.copyPicture(pictureBytes(8, 8, "png"));
    f.tick();
    f.store.items[0].kind = "text";
    f.copyBack(f.store.items[0].id);
    EXPECT_EQ(f.fake.pasteboard.writtenImage, "");
    EXPECT_EQ(f.fake.pasteboard.currentText, "PNG \u00B7 8\u00D78");
}

TEST(CopyBack, PinnedEntryMovesToTheFrontOfThePinnedGroupOnly)
{
    CopyBackFixture f;
    f.store.items = {makeClip("P1", "one", Pin::Yes), makeClip("P2", "two", Pin::Yes), makeClip("U1", "three")};
    f.copyBack("P2");
    EXPECT_EQ(f.ids(), (std::vector<std::string>{"P2", "P1", "U1"}));
}

TEST(CopyBack, UnknownIdWritesNothing)
{
    CopyBackFixture f;
    f.copyAndTick("kept");
    const int64_t before = f.clipLastChange;
    const std::vector<Clip> items = f.store.items;
    f.fake.log_.clear();

    f.copyBack("NO-SUCH-ID");

    EXPECT_TRUE(f.fake.log().empty());
    EXPECT_EQ(f.clipLastChange, before);
    EXPECT_EQ(f.store.items, items);
}

TEST(CopyBack, UserCopyAfterACopyBackIsRecorded)
{
    // The user copies again before the next tick: the count moved past ours.
    CopyBackFixture f;
    f.copyAndTick("old");
    f.copyBack(f.store.items[0].id);
    f.copyText("fresh from the user");
    EXPECT_EQ(f.tick(), PushNeeded::Yes);
    EXPECT_EQ(f.texts(), (std::vector<std::string>{"fresh from the user", "old"}));
}

} // namespace
} // namespace brimble::test
