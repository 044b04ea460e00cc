// The companion's history is read as hostile input: entry by entry, within capture's limits, and
// never through a link out of the companion's folder.

#include <gtest/gtest.h>

#include "history/Capture.h"
#include "history/ClipCodec.h"
#include "history/ClipboardStore.h"
#include "import/ParleoImport.h"
#include "platform/fake/FakePlatform.h"
#include "support/TempDir.h"

namespace brimble::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* pictureA = "AAAAAAAA-0000-4000-8000-000000000001.png";

struct LimitsFixture {
    TempDir dir;
    TempDir outside;
    FakePlatform fake;
    ClipboardStore store{dir.path(), fake.defaults};

    fs::path companion() const { return dir.path() / "Parleo 2.0"; }
    fs::path ownImages() const { return dir.path() / "Brimble" / "clipboard-images"; }
    std::optional<ImportResult> run()
    {
        return importHistory(store, companion() / "clipboard.json", companion() / "clipboard-images");
    }
    std::vector<std::string> ids() const
    {
        std::vector<std::string> list;
        for (const Clip& clip : store.items)
            list.push_back(clip.id);
        return list;
    }
};

std::string textEntry(const std::string& id, const std::string& text)
{
    return R"({"id":")" + id + R"(","ts":1,"text":")" + text + R"("})";
}

// One entry the decoder could not read made the whole companion history a read failure.
TEST(ParleoImportLimits, UnreadableEntriesAreLeftOutAndCounted)
{
    LimitsFixture f;
    writeFile(f.companion() / "clipboard.json",
              "[" + textEntry("A", "a") + R"(,{"id":"x"},{"id":"y","ts":1e999},)" + textEntry("B", "b") + "]");
    const auto result = f.run();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->copied, 2);
    EXPECT_EQ(result->leftOut, 2);
    EXPECT_EQ(f.ids(), (std::vector<std::string>{"A", "B"}));
}

// The import took texts that capture would never record: 3 MiB, or a million characters.
TEST(ParleoImportLimits, TextsBeyondCaptureLimitsAreLeftOut)
{
    LimitsFixture f;
    const std::string atLimit(maxTextGraphemes, 'x');
    const std::string overCharacters(maxTextGraphemes + 1, 'x');
    std::string overBytes;
    while (overBytes.size() <= maxTextBytes)
        overBytes += "\xE6\xBC\xA2"; // three bytes, one character: few characters, many bytes
    writeFile(f.companion() / "clipboard.json", "[" + textEntry("AT", atLimit) + "," + textEntry("OC", overCharacters) +
                                                    "," + textEntry("OB", overBytes) + "]");
    const auto result = f.run();
    ASSERT_TRUE(result);
    EXPECT_EQ(f.ids(), (std::vector<std::string>{"AT"}));
    EXPECT_EQ(result->leftOut, 2);
    EXPECT_EQ(result->copied, 1);
}

// A picture linked to a file elsewhere (a key, a document) came into Brimble's folder, where
// the page would show it.
TEST(ParleoImportLimits, PictureLinkedOutOfTheCompanionFolderIsNotCopied)
{
    LimitsFixture f;
    writeFile(f.outside / "secret.png", "not yours");
    fs::create_directories(f.companion() / "clipboard-images");
    fs::create_symlink(f.outside / "secret.png", f.companion() / "clipboard-images" / pictureA);
    writeFile(f.companion() / "clipboard.json",
              R"([{"id":"P","ts":1,"kind":"image","imgFile":")" + std::string(pictureA) + R"("}])");
    const auto result = f.run();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->skipped, 1);
    EXPECT_FALSE(fs::exists(f.ownImages() / pictureA));
}

TEST(ParleoImportLimits, PictureFolderLinkedElsewhereIsNotRead)
{
    LimitsFixture f;
    writeFile(f.outside / pictureA, "elsewhere");
    fs::create_directories(f.companion());
    fs::create_directory_symlink(f.outside.path(), f.companion() / "clipboard-images");
    writeFile(f.companion() / "clipboard.json",
              R"([{"id":"P","ts":1,"kind":"image","imgFile":")" + std::string(pictureA) + R"("}])");
    const auto result = f.run();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->skipped, 1);
    EXPECT_FALSE(fs::exists(f.ownImages() / pictureA));
}

TEST(ParleoImportLimits, LinkInsideTheCompanionFolderIsFollowed)
{
    LimitsFixture f;
    writeFile(f.companion() / "originals" / "one.png", "picture");
    fs::create_directories(f.companion() / "clipboard-images");
    fs::create_symlink(f.companion() / "originals" / "one.png", f.companion() / "clipboard-images" / pictureA);
    writeFile(f.companion() / "clipboard.json",
              R"([{"id":"P","ts":1,"kind":"image","imgFile":")" + std::string(pictureA) + R"("}])");
    const auto result = f.run();
    ASSERT_TRUE(result);
    EXPECT_EQ(result->images, 1);
    EXPECT_EQ(readFile(f.ownImages() / pictureA), "picture");
}

TEST(ParleoImportLimits, HistoryFileLinkedElsewhereIsAReadFailure)
{
    LimitsFixture f;
    writeFile(f.outside / "clipboard.json", "[" + textEntry("A", "a") + "]");
    fs::create_directories(f.companion());
    fs::create_symlink(f.outside / "clipboard.json", f.companion() / "clipboard.json");
    EXPECT_FALSE(f.run());
    EXPECT_TRUE(f.store.items.empty());
}

TEST(ParleoImportLimits, DeepNestingIsAReadFailure)
{
    LimitsFixture f;
    writeFile(f.companion() / "clipboard.json", std::string(1'000'000, '['));
    EXPECT_FALSE(f.run());
}

} // namespace
} // namespace brimble::test
