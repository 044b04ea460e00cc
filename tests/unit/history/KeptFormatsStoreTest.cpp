// Kept formats beside an entry: captured, stored by their content's hash, pruned with the
// entries naming them, read back without following links, and written back on copy-back.

#include <gtest/gtest.h>

#include <glib.h>

#include "CaptureFixture.h"
#include "history/ClipCodec.h"
#include "history/CopyBack.h"
#include "history/FormatFiles.h"

namespace brimble::test {
namespace {

const std::string html = "<p>Hello <b>bold</b></p>";

std::string hashOf(const std::string& bytes)
{
    g_autofree gchar* hex = g_compute_checksum_for_string(G_CHECKSUM_SHA256, bytes.data(),
                                                          static_cast<gssize>(bytes.size()));
    return hex;
}

std::vector<std::string> sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

struct FormatsFixture : CaptureFixture {
    std::filesystem::path formatsDir() const { return dataDir() / "clipboard-formats"; }
    std::vector<std::string> formatFiles() const
    {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(formatsDir(), error))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    void copyFormatted(const std::string& text, std::vector<ExtraFormat> formats,
                       std::set<std::string> types = {plainText, "text/html"})
    {
        fake.clock.time += 1;
        copyText(text, std::move(types));
        fake.pasteboard.currentFormats = std::move(formats);
        tick();
    }
};

TEST(KeptFormatsStore, FormattedCopyKeepsOneFileByHashForEqualBytes)
{
    FormatsFixture f;
    f.copyFormatted("first", {{"text/html", html}});
    f.copyFormatted("second", {{"text/html", html}, {"text/rtf", "{\\rtf1 x}"}});

    ASSERT_EQ(f.store.items.size(), 2u);
    EXPECT_EQ(f.store.items[1].formats, (std::vector<ClipFormat>{{"text/html", hashOf(html)}}));
    EXPECT_EQ(f.store.items[0].formats.size(), 2u);
    // Guards duplicate files: equal bytes of two entries share one.
    EXPECT_EQ(f.formatFiles(), sorted({hashOf("{\\rtf1 x}"), hashOf(html)}));
    EXPECT_EQ(fileMode(f.formatsDir() / hashOf(html)), 0600);
    EXPECT_EQ(fileMode(f.formatsDir()), 0700);

    // A new run reads the same formats back from "clipboard.json".
    ClipboardStore again(f.home / "data", f.fake.defaults);
    EXPECT_EQ(again.items[0].formats, f.store.items[0].formats);
}

TEST(KeptFormatsStore, EqualTextTakesTheNewerFormatsAndTheUnnamedFileGoes)
{
    FormatsFixture f;
    f.copyFormatted("same", {{"text/html", html}});
    f.copyAndTick("other");
    f.copyFormatted("same", {{"text/html", "<i>same</i>"}});

    ASSERT_EQ(f.texts(), (std::vector<std::string>{"same", "other"}));
    EXPECT_EQ(f.store.items[0].formats, (std::vector<ClipFormat>{{"text/html", hashOf("<i>same</i>")}}));
    EXPECT_EQ(f.formatFiles(), std::vector<std::string>{hashOf("<i>same</i>")});

    // The same text plain: the entry becomes plain, and deleting it leaves no file behind.
    f.copyAndTick("same");
    EXPECT_TRUE(f.store.items[0].formats.empty());
    EXPECT_TRUE(f.formatFiles().empty());
}

TEST(KeptFormatsStore, PruningDeletesOnlyOurOwnNamesAndNeverFollowsLinks)
{
    FormatsFixture f;
    TempDir outside;
    writeFile(outside / "keep.txt", "not ours");
    f.copyFormatted("kept", {{"text/html", html}});
    const std::string strayName = hashOf("stray");
    writeFile(f.formatsDir() / strayName, "stray");
    writeFile(f.formatsDir() / (hashOf("cut short") + ".a1B2c3"), "cut");
    writeFile(f.formatsDir() / "notes.txt", "the user's");
    std::filesystem::create_directory(f.formatsDir() / hashOf("folder"));
    std::filesystem::create_symlink(outside / "keep.txt", f.formatsDir() / hashOf("link"));

    f.store.remove("none");

    EXPECT_EQ(f.formatFiles(), sorted({hashOf(html), hashOf("folder"), "notes.txt"}));
    EXPECT_EQ(readFile(outside / "keep.txt"), "not ours");
    EXPECT_FALSE(std::filesystem::exists(f.formatsDir() / strayName));
}

TEST(KeptFormatsStore, BudgetTakesTheOldestEntriesFormatsButNeverTheirText)
{
    FormatsFixture f;
    for (int i = 0; i < 6; ++i)
        f.copyFormatted("entry " + std::to_string(i), {{"text/html", std::string(100, static_cast<char>('A' + i))}});
    f.store.items[0].pinned = true;
    f.store.items = pinnedFirst(std::move(f.store.items));
    f.store.items.push_back(f.store.items[1]); // a second entry naming a file counts it once
    f.store.items.back().id = "TWIN";

    f.store.pruneFormats(350);

    std::vector<size_t> kept;
    for (const Clip& clip : f.store.items)
        kept.push_back(clip.formats.size());
    EXPECT_EQ(kept, (std::vector<size_t>{1, 1, 1, 0, 0, 0, 1}));
    EXPECT_EQ(f.store.items[5].text.str(), "entry 0");
    EXPECT_EQ(f.formatFiles().size(), 3u);
}

TEST(KeptFormatsFiles, ReadRefusesLinksTamperingOversizeAndForeignNames)
{
    TempDir home;
    TempDir outside;
    const std::optional<std::string> name = writeFormatFile(home.path(), html);
    ASSERT_TRUE(name);
    EXPECT_EQ(readFormatFile(home.path(), *name, 1000), html);
    EXPECT_EQ(readFormatFile(home.path(), *name, 3), std::nullopt);
    EXPECT_EQ(readFormatFile(home.path(), "../../etc/passwd", 1000), std::nullopt);

    const std::filesystem::path folder = AppSupport::formatsFolder(home.path());
    writeFile(outside / "secret", "secret");
    std::filesystem::create_symlink(outside / "secret", folder / hashOf("secret"));
    EXPECT_EQ(readFormatFile(home.path(), hashOf("secret"), 1000), std::nullopt);

    writeFile(folder / *name, "<p>changed behind our back</p>");
    EXPECT_EQ(readFormatFile(home.path(), *name, 1000), std::nullopt);
    // Writing the same bytes again mends it; a link in its place is replaced, not written through.
    std::filesystem::remove(folder / *name);
    std::filesystem::create_symlink(outside / "secret", folder / *name);
    EXPECT_EQ(writeFormatFile(home.path(), html), name);
    EXPECT_EQ(readFormatFile(home.path(), *name, 1000), html);
    EXPECT_EQ(readFile(outside / "secret"), "secret");
}

TEST(KeptFormatsCodec, EntriesWithoutFormatsAreWrittenAsBeforeAndBadFormatsAreLeftOut)
{
    Clip plain = makeClip("A", "plain");
    EXPECT_EQ(encodeClip(plain)->find("formats"), std::string::npos);

    const std::string good = hashOf(html);
    const std::string json = R"([{"id":"A","ts":1,"text":"t","formats":[)"
                             R"({"type":"text/html","file":")" + good + R"("},)"
                             R"({"type":"text/html","file":")" + hashOf("twice") + R"("},)"
                             R"({"type":"text/rtf","file":"../../outside"},)"
                             R"({"type":"application/x-openoffice-link","file":")" + good + R"("},)"
                             R"({"type":"text/uri-list","file":")" + hashOf("UPPER").substr(0, 63) + R"(G"},)"
                             R"("junk",{"type":7}]}])";
    const std::optional<std::vector<Clip>> clips = decodeClips(json);
    ASSERT_TRUE(clips);
    EXPECT_EQ((*clips)[0].formats, (std::vector<ClipFormat>{{"text/html", good}}));
    // Written back, read back the same.
    EXPECT_EQ(decodeClips(*encodeClips(*clips))->at(0).formats, (*clips)[0].formats);
}

TEST(KeptFormatsCapture, PictureBesideTextIsNotDecodedAndBrowserImageKeepsItsHtml)
{
    FormatsFixture f;
    f.copyPicture(pictureBytes(4, 4, "png"), {"public.png", plainText}, "the caption");
    f.tick();
    EXPECT_EQ(f.fake.pasteboard.decodeCalls, 0);
    EXPECT_EQ(f.store.items[0].kind, "text");

    f.fake.clock.time += 1;
    f.copyPicture(pictureBytes(4, 4, "png"), {"public.png", "text/html"});
    f.fake.pasteboard.currentFormats = {{"text/html", "<img src=x>"}};
    f.tick();
    ASSERT_EQ(f.store.items.size(), 2u);
    EXPECT_EQ(f.store.items[0].kind, "image");
    EXPECT_EQ(f.store.items[0].formats, (std::vector<ClipFormat>{{"text/html", hashOf("<img src=x>")}}));
}

TEST(KeptFormatsCapture, FilesWithoutTextAreRecordedByTheirPaths)
{
    FormatsFixture f;
    f.fake.clock.time += 1;
    f.fake.pasteboard.simulateCopy({"text/uri-list", "x-special/gnome-copied-files"}, std::nullopt);
    f.fake.pasteboard.currentFormats = {{"text/uri-list", "file:///tmp/a%20b\r\nfile:///tmp/c\r\n"},
                                        {"x-special/gnome-copied-files", "cut\nfile:///tmp/a%20b\nfile:///tmp/c"}};
    f.tick();
    ASSERT_EQ(f.texts(), std::vector<std::string>{"/tmp/a b\n/tmp/c"});
    EXPECT_EQ(f.store.items[0].formats.size(), 2u);
}

// Capture saves the entry before its format files reach the disk. Guards a crash in between:
// the file it leaves short (empty, as a renamed file not yet synced is found on ext4) must not
// go back on the clipboard, nor pass for the bytes kept when the same copy comes again.
TEST(KeptFormatsCapture, FormatCutShortByACrashPastesAsTextAndTheNextCopyMendsIt)
{
    FormatsFixture f;
    f.copyFormatted("formatted", {{"text/html", html}});
    EXPECT_TRUE(f.store.hasUnsyncedFormatFiles());
    writeFile(f.formatsDir() / hashOf(html), "");

    ClipboardStore restarted(f.home / "data", f.fake.defaults);
    f.fake.log_.clear();
    copyToPasteboard(restarted, f.fake.pasteboard, *f.fake.codec, restarted.items[0].id, 5, f.clipLastChange);
    EXPECT_EQ(f.fake.log(), (std::vector<std::string>{"pasteboard: clear", "pasteboard: text formatted"}));

    f.copyFormatted("formatted", {{"text/html", html}});
    EXPECT_EQ(readFormatFile(f.home / "data", hashOf(html), 1000), html);
    f.store.syncFormatFiles();
    EXPECT_FALSE(f.store.hasUnsyncedFormatFiles());
}

TEST(KeptFormatsCopyBack, EveryFormatGoesBackPlainGivesTextAloneAndAMissingFileIsLeftOut)
{
    FormatsFixture f;
    f.copyFormatted("formatted", {{"text/html", html}, {"text/rtf", "{\\rtf1 x}"}});
    const std::string id = f.store.items[0].id;
    f.fake.log_.clear();

    copyToPasteboard(f.store, f.fake.pasteboard, *f.fake.codec, id, 5, f.clipLastChange);
    EXPECT_EQ(f.fake.log(), (std::vector<std::string>{"pasteboard: clear", "pasteboard: text formatted",
                                                      "pasteboard: format text/html " + html,
                                                      "pasteboard: format text/rtf {\\rtf1 x}"}));
    EXPECT_EQ(f.tick(), PushNeeded::No);

    f.fake.log_.clear();
    copyToPasteboard(f.store, f.fake.pasteboard, *f.fake.codec, id, 6, f.clipLastChange, CopyAs::Plain);
    EXPECT_EQ(f.fake.log(), (std::vector<std::string>{"pasteboard: clear", "pasteboard: text formatted"}));

    std::filesystem::remove(f.formatsDir() / hashOf(html));
    f.fake.log_.clear();
    copyToPasteboard(f.store, f.fake.pasteboard, *f.fake.codec, id, 7, f.clipLastChange);
    EXPECT_EQ(f.fake.log(), (std::vector<std::string>{"pasteboard: clear", "pasteboard: text formatted",
                                                      "pasteboard: format text/rtf {\\rtf1 x}"}));
}

} // namespace
} // namespace brimble::test
