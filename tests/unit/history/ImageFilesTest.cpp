#include <regex>

#include <gtest/gtest.h>

#include "CaptureFixture.h"
#include "history/ImageFiles.h"

namespace brimble::test {
namespace {

constexpr uint64_t MiB = 1024 * 1024;

std::span<const uint8_t> bytesOf(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// A file of the given size without writing its bytes (the size is all the budget sees).
void makeFileOfSize(const std::filesystem::path& path, uint64_t size)
{
    writeFile(path, "");
    std::filesystem::resize_file(path, size);
}

Clip pictureClip(std::string id, std::string file, Pin pin = Pin::No)
{
    Clip clip = makeClip(std::move(id), "PNG \u00B7 1\u00D71", pin);
    clip.kind = "image";
    clip.imgFile = std::move(file);
    return clip;
}

struct DigestRow {
    const char* name;
    std::string input;
    std::string hex;
};

class Sha256Hex : public ::testing::TestWithParam<DigestRow> {};

TEST_P(Sha256Hex, MatchesTheStandardVectors)
{
    EXPECT_EQ(sha256Hex(bytesOf(GetParam().input)), GetParam().hex);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Sha256Hex,
    ::testing::Values(DigestRow{"Empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
                      DigestRow{"Abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
                      // A NUL byte must not end the input early.
                      DigestRow{"EmbeddedNul", std::string("a\0b", 3),
                                "59b271ae1bbcb1d31d41929817f4b16fb439eb4f31520b5ad1d5ce98920a7138"},
                      // Two blocks, and many: the padding and the block loop.
                      DigestRow{"TwoBlocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
                                "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
                      DigestRow{"MillionA", std::string(1000000, 'a'),
                                "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"}),
    [](const auto& info) { return std::string(info.param.name); });

struct Base64Row {
    const char* name;
    std::string text;
    std::optional<std::string> decoded;
};

class StrictBase64 : public ::testing::TestWithParam<Base64Row> {};

TEST_P(StrictBase64, AcceptsOnlyPaddedAlphabetText)
{
    const std::optional<Bytes> decoded = decodeBase64Strictly(GetParam().text);
    ASSERT_EQ(decoded.has_value(), GetParam().decoded.has_value());
    if (decoded) {
        EXPECT_EQ(asString(*decoded), *GetParam().decoded);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StrictBase64,
    ::testing::Values(Base64Row{"Padded", "aGVsbG8=", "hello"}, Base64Row{"TwoPads", "aGVsbA==", "hell"},
                      Base64Row{"NoPadNeeded", "aGVs", "hel"}, Base64Row{"Empty", "", ""},
                      Base64Row{"PlusAndSlash", "+/+/", "\xfb\xff\xbf"},
                      // GLib would skip these characters and decode something else.
                      Base64Row{"LineBreak", "aGVs\nbG8=", std::nullopt},
                      Base64Row{"Space", "aGVs bG8=", std::nullopt},
                      Base64Row{"UrlAlphabet", "-_-_", std::nullopt},
                      Base64Row{"MissingPadding", "aGVsbG8", std::nullopt},
                      Base64Row{"PadInTheMiddle", "aG=sbG8=", std::nullopt},
                      Base64Row{"ThreePads", "a===", std::nullopt},
                      Base64Row{"OnlyPads", "====", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteImage, StoresUnderAFreshUuidNameWithPrivateModes)
{
    TempDir home;
    const std::string bytes = "\x89PNG fake";
    const auto first = writeImage(home.path(), bytesOf(bytes), "png");
    const auto second = writeImage(home.path(), bytesOf(bytes), "jpg");
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    const std::regex uuidName("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.(png|jpg)$");
    EXPECT_TRUE(std::regex_match(*first, uuidName)) << *first;
    EXPECT_TRUE(second->ends_with(".jpg"));

    const std::filesystem::path folder = home / "Brimble" / "clipboard-images";
    EXPECT_EQ(readFile(folder / *first), bytes);
    EXPECT_EQ(fileMode(folder / *first), 0600);
    EXPECT_EQ(fileMode(folder), 0700);
}

TEST(WriteImage, FolderThatCannotBeMadeGivesNothing)
{
    TempDir home;
    writeFile(home / "Brimble" / "clipboard-images", "in the way");
    EXPECT_FALSE(writeImage(home.path(), bytesOf("x"), "png"));
}

// A history file written by an older version, then loaded by a fresh store.
struct LegacyFixture {
    TempDir home;
    FakePlatform fake;
    std::filesystem::path dataDir() const { return home / "data" / "Brimble"; }
    ClipboardStore load(const std::string& json)
    {
        writeFile(dataDir() / "clipboard.json", json);
        return ClipboardStore(home / "data", fake.defaults);
    }
};

std::string base64(const Bytes& bytes)
{
    g_autofree char* text = g_base64_encode(bytes.data(), bytes.size());
    return text;
}

TEST(ConvertInlineImages, ValidJpegDataBecomesAJpgFile)
{
    LegacyFixture f;
    const Bytes jpeg = pictureBytes(12, 8, "jpeg");
    ClipboardStore store = f.load(R"([{"id":"A","ts":1,"kind":"image","text":"JPEG","img":"data:image/jpeg;base64,)"
                                  + base64(jpeg) + R"("}])");

    ASSERT_EQ(store.items.size(), 1u);
    const Clip& clip = store.items[0];
    EXPECT_FALSE(clip.img);
    ASSERT_TRUE(clip.imgFile);
    EXPECT_TRUE(clip.imgFile->ends_with(".jpg"));
    EXPECT_EQ(clip.sig, sha256Hex(jpeg));
    // The bytes are kept as they were, not re-encoded.
    EXPECT_EQ(readFile(f.dataDir() / "clipboard-images" / *clip.imgFile), asString(jpeg));
    const std::string saved = readFile(f.dataDir() / "clipboard.json");
    EXPECT_EQ(saved.find("\"img\""), std::string::npos);
    EXPECT_NE(saved.find(*clip.imgFile), std::string::npos);
}

TEST(ConvertInlineImages, OtherMediaTypesBecomePngFiles)
{
    LegacyFixture f;
    ClipboardStore store = f.load(R"([{"id":"A","ts":1,"kind":"image","img":"data:image/gif;base64,R0lG"}])");
    ASSERT_EQ(store.items.size(), 1u);
    EXPECT_TRUE(store.items[0].imgFile->ends_with(".png"));
}

TEST(ConvertInlineImages, InvalidDataDropsImageEntriesAndKeepsTextEntries)
{
    LegacyFixture f;
    ClipboardStore store = f.load(R"([{"id":"A","ts":1,"kind":"image","img":"data:image/png;base64,aGVs\nbG8="},)"
                                  R"({"id":"B","ts":1,"kind":"text","text":"t","img":"data:image/png;base64,???"},)"
                                  R"({"id":"C","ts":1,"kind":"image","img":"no comma at all"}])");
    ASSERT_EQ(store.items.size(), 1u);
    EXPECT_EQ(store.items[0].id, "B");
    EXPECT_FALSE(store.items[0].img);
    EXPECT_FALSE(store.items[0].imgFile);
    const std::string saved = readFile(f.dataDir() / "clipboard.json");
    EXPECT_EQ(saved.find("\"A\""), std::string::npos);
    EXPECT_NE(saved.find("\"B\""), std::string::npos);
}

TEST(ConvertInlineImages, EntryWithAFileLosesItsInlineCopyWithoutRewritingTheFile)
{
    LegacyFixture f;
    const std::string json = R"([{"id":"A","ts":1,"kind":"image","imgFile":"x.png","img":"data:image/png;base64,aGVs"}])";
    ClipboardStore store = f.load(json);
    ASSERT_EQ(store.items.size(), 1u);
    EXPECT_FALSE(store.items[0].img);
    EXPECT_EQ(store.items[0].imgFile, "x.png");
    EXPECT_EQ(readFile(f.dataDir() / "clipboard.json"), json);
}

TEST(ConvertInlineImages, HistoryWithoutInlineDataIsLeftAlone)
{
    // Image entries without a file are removed only when there was inline data to convert.
    LegacyFixture f;
    const std::string json = R"([{"id":"A","ts":1,"kind":"image"}])";
    ClipboardStore store = f.load(json);
    ASSERT_EQ(store.items.size(), 1u);
    EXPECT_EQ(readFile(f.dataDir() / "clipboard.json"), json);
}

TEST(PruneImages, RemovesEveryPictureNoEntryNames)
{
    CaptureFixture f;
    const std::string kept = "AAAAAAAA-0000-4000-8000-000000000001.png";
    const std::string stray = "BBBBBBBB-0000-4000-8000-000000000002.jpg";
    makeFileOfSize(f.imagesDir() / kept, 10);
    makeFileOfSize(f.imagesDir() / stray, 10);
    f.store.items = {pictureClip("A", kept)};

    f.store.pruneImages();

    EXPECT_EQ(f.imageFiles(), std::vector<std::string>{kept});
    EXPECT_EQ(f.store.items.size(), 1u);
}

// With the picture folder a link to one the user keeps other files in, every one of them was
// deleted: only names of the form Brimble writes are its own.
TEST(PruneImages, LeavesEveryFileOfAnotherFormAlone)
{
    CaptureFixture f;
    test::TempDir elsewhere;
    for (const char* name : {"holiday.png", ".hidden", "notes.txt", "AAAAAAAA-0000-4000-8000-000000000001.gif",
                             "AAAAAAAA-0000-4000-8000-000000000001.png.bak", "holiday.png.X1b2C3"})
        makeFileOfSize(elsewhere / name, 10);
    makeFileOfSize(elsewhere / "folder" / "inside.png", 10);
    std::filesystem::create_directories(elsewhere / "CCCCCCCC-0000-4000-8000-000000000003.png");
    makeFileOfSize(elsewhere / "DDDDDDDD-0000-4000-8000-000000000004.jpg", 10);
    std::filesystem::create_directories(f.dataDir());
    std::filesystem::create_directory_symlink(elsewhere.path(), f.imagesDir());

    f.store.pruneImages();

    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(elsewhere.path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{".hidden", "AAAAAAAA-0000-4000-8000-000000000001.gif",
                                              "AAAAAAAA-0000-4000-8000-000000000001.png.bak",
                                              "CCCCCCCC-0000-4000-8000-000000000003.png", "folder", "holiday.png",
                                              "holiday.png.X1b2C3", "notes.txt"}))
        << "only the stray picture of Brimble's own form goes; a folder of that name stays";
}

TEST(PruneImages, MissingFolderDoesNothing)
{
    CaptureFixture f;
    f.store.items = {pictureClip("A", "gone.png")};
    f.store.pruneImages();
    EXPECT_EQ(f.store.items.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(f.imagesDir()));
}

TEST(PruneImages, OverBudgetRemovesPictureEntriesFromTheEnd)
{
    CaptureFixture f;
    for (const char* name : {"p.png", "a.png", "b.png", "c.png"})
        makeFileOfSize(f.imagesDir() / name, 20 * MiB);
    f.store.items = {pictureClip("P", "p.png", Pin::Yes), pictureClip("A", "a.png"), makeClip("T1", "text"),
                     pictureClip("B", "b.png"), pictureClip("C", "c.png"), makeClip("T2", "text")};
    EXPECT_EQ(f.store.imagesTotalBytes(), 80 * MiB);

    f.store.pruneImages();

    // 60 MiB is exactly the budget, which is allowed; text entries are never removed.
    std::vector<std::string> ids;
    for (const Clip& clip : f.store.items)
        ids.push_back(clip.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"P", "A", "T1", "B", "T2"}));
    EXPECT_EQ(f.store.imagesTotalBytes(), imagesBudgetBytes);
    EXPECT_EQ(f.imageFiles(), (std::vector<std::string>{"a.png", "b.png", "p.png"}));
}

TEST(PruneImages, PinnedPicturesGoLastButDoGo)
{
    CaptureFixture f;
    makeFileOfSize(f.imagesDir() / "p1.png", 40 * MiB);
    makeFileOfSize(f.imagesDir() / "p2.png", 40 * MiB);
    makeFileOfSize(f.imagesDir() / "u.png", 1 * MiB);
    f.store.items = {pictureClip("P1", "p1.png", Pin::Yes), pictureClip("P2", "p2.png", Pin::Yes),
                     pictureClip("U", "u.png")};
    f.store.pruneImages();
    ASSERT_EQ(f.store.items.size(), 1u);
    EXPECT_EQ(f.store.items[0].id, "P1");
}

TEST(PruneImages, SharedFileCountsOncePerEntry)
{
    // Two entries naming one file: removing the file for the last one frees both counts.
    CaptureFixture f;
    makeFileOfSize(f.imagesDir() / "shared.png", 35 * MiB);
    makeFileOfSize(f.imagesDir() / "other.png", 1 * MiB);
    f.store.items = {pictureClip("A", "shared.png"), pictureClip("O", "other.png"), pictureClip("B", "shared.png")};
    EXPECT_EQ(f.store.imagesTotalBytes(), 71 * MiB);

    f.store.pruneImages();

    ASSERT_EQ(f.store.items.size(), 2u);
    EXPECT_EQ(f.store.items[0].id, "A");
    EXPECT_EQ(f.store.imagesTotalBytes(), 1 * MiB);
}

TEST(ImagesTotalBytes, MissingFilesCountNothing)
{
    CaptureFixture f;
    makeFileOfSize(f.imagesDir() / "here.png", 1234);
    f.store.items = {pictureClip("A", "here.png"), pictureClip("B", "missing.png"), makeClip("T", "t")};
    EXPECT_EQ(f.store.imagesTotalBytes(), 1234u);
}

} // namespace
} // namespace brimble::test
