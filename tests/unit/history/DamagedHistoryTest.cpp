// A damaged history file costs only what cannot be read: entries are read one by one, the file is
// kept aside, and no picture that the kept copy may still name is deleted.

#include <limits>

#include <gtest/gtest.h>

#include "CaptureFixture.h"
#include "common/AtomicFile.h"
#include "history/ClipCodec.h"
#include "history/ImageFiles.h"

namespace brimble::test {
namespace {

constexpr const char* pictureA = "AAAAAAAA-0000-4000-8000-000000000001.png";
constexpr const char* pictureB = "BBBBBBBB-0000-4000-8000-000000000002.png";

std::vector<std::string> ids(const std::vector<Clip>& clips)
{
    std::vector<std::string> out;
    for (const Clip& clip : clips)
        out.push_back(clip.id);
    return out;
}

std::vector<std::string> copiesAside(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().starts_with("clipboard.json.unreadable-"))
            names.push_back(entry.path().filename().string());
    return names;
}

// A history file of a text, a picture and the given damaged elements, with the picture on disk
// and `pictureB` lying in the folder as the picture of an entry that cannot be read.
struct DamagedFixture {
    TempDir home;
    FakePlatform fake;

    std::filesystem::path dataDir() const { return home / "data" / "Brimble"; }
    std::filesystem::path imagesDir() const { return dataDir() / "clipboard-images"; }

    std::string write(const std::string& damaged)
    {
        const std::string json = std::string(R"([{"id":"T","ts":2,"text":"kept text","sessionId":"S"},)") +
                                 R"({"id":"P","ts":1,"kind":"image","imgFile":")" + pictureA +
                                 R"(","sessionId":"S"})" + (damaged.empty() ? "" : ",") + damaged + "]";
        writeFile(dataDir() / "clipboard.json", json);
        writeFile(imagesDir() / pictureA, "picture a");
        writeFile(imagesDir() / pictureB, "picture b");
        return json;
    }
    std::unique_ptr<ClipboardStore> load()
    {
        return std::make_unique<ClipboardStore>(home / "data", fake.defaults);
    }
    bool onDisk(const char* name) const { return std::filesystem::exists(imagesDir() / name); }
};

// One entry without its time cost the whole history, and the start-up prune then deleted every
// picture. Each kind of bad element costs only itself.
TEST(DamagedHistory, BadEntriesAreLeftOutAndTheRestKept)
{
    const std::string damaged[] = {
        R"({"id":"x"})",
        R"({"ts":3})",
        R"({"id":5,"ts":3})",
        R"({"id":"y","ts":"yesterday","imgFile":")" + std::string(pictureB) + R"("})",
        R"({"id":"z","ts":null})",
        R"({"id":"inf","ts":1e999})", // beyond the double range: not a time
        R"("just text")",
        R"([1,2])",
        "null",
    };
    for (const std::string& bad : damaged) {
        DamagedFixture f;
        const std::string original = f.write(bad);
        auto store = f.load();
        EXPECT_EQ(ids(store->items), (std::vector<std::string>{"T", "P"})) << bad;

        store->applyHistoryLimit();
        store->pruneImages();
        store->save();
        EXPECT_TRUE(f.onDisk(pictureA)) << bad;
        EXPECT_TRUE(f.onDisk(pictureB)) << "a picture the unreadable entry may name stays: " << bad;
        const auto copies = copiesAside(f.dataDir());
        ASSERT_EQ(copies.size(), 1u) << bad;
        EXPECT_EQ(readFile(f.dataDir() / copies[0]), original) << bad;
        EXPECT_EQ(ids(decodeClips(readFile(f.dataDir() / "clipboard.json")).value()),
                  (std::vector<std::string>{"T", "P"}));
    }
}

// A million nested brackets overflowed the parser's stack; undecodable now, like any other
// damage, and no picture goes while the file is kept aside.
TEST(DamagedHistory, DeepNestingIsUndecodableAndKeepsEveryPicture)
{
    DamagedFixture f;
    f.write("");
    const std::string deep(1'000'000, '[');
    writeFile(f.dataDir() / "clipboard.json", deep);
    auto store = f.load();
    EXPECT_TRUE(store->items.empty());
    store->pruneImages();
    store->save();
    EXPECT_TRUE(f.onDisk(pictureA));
    EXPECT_TRUE(f.onDisk(pictureB));
    EXPECT_EQ(copiesAside(f.dataDir()).size(), 1u);
}

// Keeping pictures for the rescue must not keep the ones the user deletes now.
TEST(DamagedHistory, PictureOfAnEntryRemovedNowStillGoes)
{
    DamagedFixture f;
    f.write(R"({"id":"x"})");
    const std::string temporary = std::string(pictureB) + ".Ab12Cd"; // a picture write cut short
    writeFile(f.imagesDir() / temporary, "half");
    auto store = f.load();
    store->remove("P");
    store->holdFiles({});
    store->pruneImages();
    EXPECT_FALSE(f.onDisk(pictureA));
    EXPECT_TRUE(f.onDisk(pictureB));
    EXPECT_FALSE(f.onDisk(temporary.c_str())) << "no entry, set aside or not, names a temporary";
}

// The next start reads a good file, but the copy set aside still names pictures.
TEST(DamagedHistory, PicturesStayWhileACopySetAsideLiesThere)
{
    DamagedFixture f;
    f.write(R"({"id":"x","imgFile":")" + std::string(pictureB) + R"("})");
    {
        auto store = f.load();
        store->save();
    }
    auto again = f.load();
    again->pruneImages();
    EXPECT_TRUE(f.onDisk(pictureB));

    for (const std::string& name : copiesAside(f.dataDir()))
        std::filesystem::remove(f.dataDir() / name);
    auto rescued = f.load();
    rescued->pruneImages();
    EXPECT_FALSE(f.onDisk(pictureB)) << "once the copy is gone the stray picture is pruned";
    EXPECT_TRUE(f.onDisk(pictureA));
}

TEST(DamagedHistory, HistoryThatCannotBeReadKeepsEveryPicture)
{
    DamagedFixture f;
    f.write("");
    std::filesystem::remove(f.dataDir() / "clipboard.json");
    std::filesystem::create_directories(f.dataDir() / "clipboard.json"); // a folder cannot be read
    auto store = f.load();
    store->pruneImages();
    EXPECT_TRUE(f.onDisk(pictureA));
    EXPECT_TRUE(f.onDisk(pictureB));
}

// A save that could not encode the history was taken for one that landed, so nothing tried again.
TEST(DamagedHistory, SaveThatCannotEncodeIsTriedAgain)
{
    DamagedFixture f;
    f.write("");
    auto store = f.load();
    ASSERT_EQ(store->items.size(), 2u);
    const std::string before = readFile(f.dataDir() / "clipboard.json");
    store->items[0].ts = std::numeric_limits<double>::infinity();
    store->save();
    EXPECT_EQ(readFile(f.dataDir() / "clipboard.json"), before);

    store->items[0].ts = 5;
    store->saveIfUnsaved();
    EXPECT_NE(readFile(f.dataDir() / "clipboard.json"), before);
    EXPECT_EQ(decodeClips(readFile(f.dataDir() / "clipboard.json")).value()[0].ts, 5);
}

// Entries of a session lost with a damaged sessions file were moved into the first session for
// good. They keep their session and are shown, and cleared, in the session in use instead.
TEST(DamagedHistory, EntriesOfUnknownSessionsKeepItAndShowInTheSessionInUse)
{
    TempDir home;
    FakePlatform fake;
    ClipboardStore store(home.path(), fake.defaults);
    store.items = {makeClip("A", "a", Pin::No, "GONE"), makeClip("B", "b", Pin::No, ""),
                   makeClip("C", "c", Pin::Yes, "OTHER"), makeClip("D", "d", Pin::No, "FIRST")};
    EXPECT_FALSE(store.isShownIn(store.items[0], "FIRST")) << "without a lookup every session is known";
    store.setSessionLookup([](const std::string& id) { return id == "FIRST" || id == "OTHER"; });
    store.adoptOrphans("FIRST");
    std::vector<std::string> sessions;
    std::vector<std::string> shownInOther;
    for (const Clip& clip : store.items) {
        sessions.push_back(clip.sessionId);
        if (store.isShownIn(clip, "OTHER"))
            shownInOther.push_back(clip.id);
    }
    EXPECT_EQ(sessions, (std::vector<std::string>{"GONE", "FIRST", "OTHER", "FIRST"}));
    EXPECT_EQ(shownInOther, (std::vector<std::string>{"A", "C"}));

    store.clearSession("OTHER");
    EXPECT_EQ(store.items.size(), 3u) << "the entry shown and not pinned is cleared with its session in use";
    EXPECT_FALSE(store.find("A"));
}

} // namespace
} // namespace brimble::test
