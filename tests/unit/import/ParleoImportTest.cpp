// The companion import: the merge rules and counts, every dialog text, the one-time offer, and
// that the companion's files are only ever read.

#include <map>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "history/ClipboardStore.h"
#include "import/ParleoImport.h"
#include "platform/fake/FakePlatform.h"
#include "support/TempDir.h"

namespace brimble::test {
namespace {

namespace fs = std::filesystem;

using Lines = std::vector<std::string>;

constexpr const char* confirmText =
    "This makes a one-time COPY into Brimble's own storage. Parleo 2.0 keeps its history untouched "
    "\u2014 nothing there is modified, moved, or deleted \u2014 and from now on the two apps record independently.";
constexpr const char* pictureA = "AAAAAAAA-0000-4000-8000-000000000001.png";
constexpr const char* pictureB = "BBBBBBBB-0000-4000-8000-000000000002.jpg";
// A 1×1 PNG, as a legacy entry would carry it inline.
constexpr const char* inlinePng =
    "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNk+M9QDwADhgGAWjR9awAAAABJRU5ErkJggg==";

std::string record(const std::string& id, const std::string& extra = "")
{
    return R"({"id":")" + id + R"(","ts":1700000000.5,"text":"from )" + id + R"(","sessionId":"S1")" + extra + "}";
}

std::string history(const std::vector<std::string>& records)
{
    std::string json = "[";
    for (size_t n = 0; n < records.size(); ++n)
        json += (n ? "," : "") + records[n];
    return json + "]";
}

Clip own(const std::string& id, bool pinned = false)
{
    Clip clip;
    clip.id = id;
    clip.ts = 1;
    clip.text = "own " + id;
    clip.pinned = pinned;
    clip.sessionId = "S1";
    return clip;
}

struct FileState {
    std::string bytes;
    int64_t mtimeNs = 0;
    unsigned mode = 0;
    bool operator==(const FileState&) const = default;
};

class ParleoImportTest : public ::testing::Test {
protected:
    fs::path companion() const { return dir.path() / "Parleo 2.0"; }
    fs::path ownFolder() const { return dir.path() / "Brimble"; }
    fs::path ownImages() const { return ownFolder() / "clipboard-images"; }

    void writeCompanion(const std::string& json) { writeFile(companion() / "clipboard.json", json); }
    void companionPicture(const std::string& name, const std::string& bytes)
    {
        writeFile(companion() / "clipboard-images" / name, bytes);
    }

    // Every file and folder under the companion's folder with its bytes, time and mode.
    std::map<std::string, FileState> companionTree() const
    {
        std::map<std::string, FileState> tree;
        for (const auto& item : fs::recursive_directory_iterator(companion())) {
            struct stat info {};
            ::lstat(item.path().c_str(), &info);
            tree[fs::relative(item.path(), companion()).string()] = {
                item.is_regular_file() ? readFile(item.path()) : "",
                static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec, info.st_mode};
        }
        return tree;
    }

    std::vector<std::string> ids() const
    {
        std::vector<std::string> list;
        for (const Clip& clip : store.items)
            list.push_back(clip.id);
        return list;
    }

    ImportResult runImport()
    {
        const auto result = importHistory(store, companion() / "clipboard.json", companion() / "clipboard-images");
        EXPECT_TRUE(result.has_value());
        return result.value_or(ImportResult{-1, -1, -1});
    }

    void menuImport() { importFromParleo(fake.dialogs, store, ImportOffer::Menu, push); }
    void offer() { offerImportOnce(fake.defaults, fake.dialogs, store, push); }

    TempDir dir;
    FakePlatform fake;
    ClipboardStore store{dir.path(), fake.defaults};
    std::function<void()> push = [this] { fake.log_.add("push"); };
};

struct TextCase {
    ImportResult counts;
    std::string text;
};

class ResultText : public ::testing::TestWithParam<TextCase> {};

TEST_P(ResultText, ComposesCountsWithSingularsAndTheSkippedSentence)
{
    EXPECT_EQ(importResultText(GetParam().counts), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, ResultText, ::testing::Values(
    TextCase{{0, 0, 0}, "Copied 0 entries (0 images)."},
    TextCase{{1, 1, 0}, "Copied 1 entry (1 image)."},
    TextCase{{12, 3, 1}, "Copied 12 entries (3 images). 1 image entry could not be copied (the picture no longer "
                         "exists in Parleo) and was skipped."},
    TextCase{{5, 0, 2}, "Copied 5 entries (0 images). 2 image entries could not be copied (the picture no longer "
                        "exists in Parleo) and were skipped."},
    TextCase{{2, 1, 0}, "Copied 2 entries (1 image)."},
    TextCase{{2, 0, 1, 1}, "Copied 2 entries (0 images). 1 image entry could not be copied (the picture no longer "
                           "exists in Parleo) and was skipped. 1 entry could not be read or held a longer text than "
                           "Brimble records, and was left out."},
    TextCase{{0, 0, 0, 3}, "Copied 0 entries (0 images). 3 entries could not be read or held a longer text than "
                           "Brimble records, and were left out."}));

TEST_F(ParleoImportTest, CompanionFolderLiesInTheDataHome)
{
    EXPECT_EQ(parleoFolder("/home/u/.local/share"), fs::path("/home/u/.local/share/Parleo 2.0"));
}

TEST_F(ParleoImportTest, MenuImportWithoutCompanionHistoryOnlySaysSo)
{
    menuImport();
    EXPECT_EQ(fake.log(), (Lines{"alert: No Parleo 2.0 clipboard history found | There is nothing to import on this computer."}));
    EXPECT_FALSE(fs::exists(ownFolder()));
}

TEST_F(ParleoImportTest, MenuImportConfirmsCopiesReportsAndThenPushes)
{
    writeCompanion(history({record("N1")}));
    menuImport();
    EXPECT_EQ(fake.log(), (Lines{
        "alert: Import clipboard history from Parleo 2.0? | " + std::string(confirmText),
        "buttons: Import a Copy, Cancel",
        "alert: Import complete | Copied 1 entry (0 images).",
        "push"}));
    EXPECT_EQ(ids(), (std::vector<std::string>{"N1"}));
    EXPECT_TRUE(fs::exists(ownFolder() / "clipboard.json"));
}

TEST_F(ParleoImportTest, CancelImportsNothingAndDoesNotPush)
{
    writeCompanion(history({record("N1")}));
    fake.dialogs.alertAnswers = {1};
    menuImport();
    EXPECT_EQ(fake.log().size(), 2u);
    EXPECT_TRUE(store.items.empty());
    EXPECT_FALSE(fs::exists(ownFolder()));
}

// Closing the alert without a button is no consent either.
TEST_F(ParleoImportTest, ClosedConfirmationImportsNothing)
{
    writeCompanion(history({record("N1")}));
    fake.dialogs.alertAnswers = {-1};
    menuImport();
    EXPECT_TRUE(store.items.empty());
}

TEST_F(ParleoImportTest, UndecodableHistoryChangesNothingAnywhere)
{
    store.items = {own("O1")};
    store.save();
    const std::string before = readFile(ownFolder() / "clipboard.json");
    writeCompanion(R"([{"id":"N1","ts":1},)");

    menuImport();

    EXPECT_EQ(fake.log().back(), "push");
    EXPECT_EQ(fake.log()[2], "alert: Couldn't read Parleo's history | The file exists but didn't decode as a "
                             "clipboard history. Nothing was imported, and nothing was changed on either side.");
    EXPECT_EQ(ids(), (std::vector<std::string>{"O1"}));
    EXPECT_EQ(readFile(ownFolder() / "clipboard.json"), before);
    EXPECT_FALSE(fs::exists(ownImages())) << "no folder is made before the file has decoded";
}

TEST_F(ParleoImportTest, NonArrayHistoryIsAReadFailure)
{
    writeCompanion(R"({"id":"N1","ts":1})");
    EXPECT_EQ(importHistory(store, companion() / "clipboard.json", companion() / "clipboard-images"), std::nullopt);
}

TEST_F(ParleoImportTest, EmptyArrayCopiesNothingButStillSaves)
{
    writeCompanion("[]");
    const ImportResult result = runImport();
    EXPECT_EQ(importResultText(result), "Copied 0 entries (0 images).");
    EXPECT_EQ(readFile(ownFolder() / "clipboard.json"), "[]");
}

// Identity is the id alone: a changed text must not bring a second copy in.
TEST_F(ParleoImportTest, KnownIdIsNeitherAddedNorCounted)
{
    store.items = {own("O1")};
    writeCompanion(history({record("O1"), record("N1")}));
    const ImportResult result = runImport();
    EXPECT_EQ(result.copied, 1);
    EXPECT_EQ(ids(), (std::vector<std::string>{"O1", "N1"}));
    EXPECT_EQ(store.items[0].text, "own O1");
}

// The known ids are taken once, before the merge, as the import has always done.
TEST_F(ParleoImportTest, RepeatedIdInsideTheCompanionFileComesOverTwice)
{
    writeCompanion(history({record("N1"), record("N1")}));
    EXPECT_EQ(runImport().copied, 2);
}

TEST_F(ParleoImportTest, PictureIsCopiedWithPrivateModes)
{
    companionPicture(pictureA, "picture A");
    writeCompanion(history({record("N1", R"(,"kind":"image","imgFile":")" + std::string(pictureA) + "\"")}));
    const ImportResult result = runImport();
    EXPECT_EQ(importResultText(result), "Copied 1 entry (1 image).");
    EXPECT_EQ(readFile(ownImages() / pictureA), "picture A");
    EXPECT_EQ(fileMode(ownImages() / pictureA), 0600);
    EXPECT_EQ(fileMode(ownImages()), 0700);
}

// A picture Brimble already has is never overwritten, even by different bytes.
TEST_F(ParleoImportTest, ExistingPictureStaysAndCountsAsImage)
{
    writeFile(ownImages() / pictureA, "mine");
    companionPicture(pictureA, "theirs");
    writeCompanion(history({record("N1", R"(,"kind":"image","imgFile":")" + std::string(pictureA) + "\"")}));
    const ImportResult result = runImport();
    EXPECT_EQ(result.images, 1);
    EXPECT_EQ(result.copied, 1);
    EXPECT_EQ(readFile(ownImages() / pictureA), "mine");
}

TEST_F(ParleoImportTest, MissingPictureIsSkippedAndReported)
{
    companionPicture(pictureA, "picture A");
    writeCompanion(history({record("N1", R"(,"kind":"image","imgFile":")" + std::string(pictureA) + "\""),
                            record("N2", R"(,"kind":"image","imgFile":")" + std::string(pictureB) + "\""),
                            record("N3")}));
    menuImport();
    EXPECT_EQ(fake.log()[2], "alert: Import complete | Copied 2 entries (1 image). 1 image entry could not be copied "
                             "(the picture no longer exists in Parleo) and was skipped.");
    EXPECT_EQ(ids(), (std::vector<std::string>{"N1", "N3"}));
}

// A folder where the picture should be is no picture; copying it must fail, not recurse.
TEST_F(ParleoImportTest, FolderInPlaceOfPictureIsSkipped)
{
    fs::create_directories(companion() / "clipboard-images" / pictureA);
    writeCompanion(history({record("N1", R"(,"kind":"image","imgFile":")" + std::string(pictureA) + "\"")}));
    EXPECT_EQ(runImport().skipped, 1);
    EXPECT_FALSE(fs::exists(ownImages() / pictureA));
}

TEST_F(ParleoImportTest, InlinePictureWithoutFileIsAddedAndWrittenAsFile)
{
    writeCompanion(history({record("N1", R"(,"kind":"image","img":")" + std::string(inlinePng) + "\"")}));
    const ImportResult result = runImport();
    EXPECT_EQ(result.copied, 1);
    EXPECT_EQ(result.images, 0);
    ASSERT_EQ(store.items.size(), 1u);
    ASSERT_TRUE(store.items[0].imgFile.has_value());
    EXPECT_TRUE(fs::exists(ownImages() / *store.items[0].imgFile));
    EXPECT_EQ(readFile(ownFolder() / "clipboard.json").find("\"img\""), std::string::npos);
}

TEST_F(ParleoImportTest, ImageEntryWithoutAnyPictureIsSkipped)
{
    writeCompanion(history({record("N1", R"(,"kind":"image")")}));
    const ImportResult result = runImport();
    EXPECT_EQ(result.skipped, 1);
    EXPECT_EQ(result.copied, 0);
    EXPECT_TRUE(store.items.empty());
}

// The file decides, not the kind: a text entry naming a picture brings it along.
TEST_F(ParleoImportTest, TextEntryWithPictureFileIsHandledAsImage)
{
    companionPicture(pictureB, "picture B");
    writeCompanion(history({record("N1", R"(,"kind":"text","imgFile":")" + std::string(pictureB) + "\"")}));
    EXPECT_EQ(runImport().images, 1);
    EXPECT_EQ(readFile(ownImages() / pictureB), "picture B");
}

TEST_F(ParleoImportTest, ImportedEntriesFollowOwnEntriesOfTheirGroup)
{
    store.items = {own("P1", true), own("O1")};
    writeCompanion(history({record("N1"), record("NP", R"(,"pinned":true)")}));
    runImport();
    EXPECT_EQ(ids(), (std::vector<std::string>{"P1", "NP", "O1", "N1"}));
}

// The reported counts are those of the merge, before the limit drops anything.
TEST_F(ParleoImportTest, LimitMayDropImportedEntriesThatAreStillReported)
{
    fake.defaults.setRaw("historyLimit", int64_t{10});
    for (int n = 0; n < 10; ++n)
        store.items.push_back(own("O" + std::to_string(n)));
    writeCompanion(history({record("N1"), record("N2"), record("N3")}));
    EXPECT_EQ(runImport().copied, 3);
    EXPECT_EQ(store.items.size(), 10u);
    EXPECT_EQ(ids().back(), "O9");
}

TEST_F(ParleoImportTest, SecondImportOfUnchangedHistoryAddsNothing)
{
    writeCompanion(history({record("N1"), record("N2")}));
    runImport();
    EXPECT_EQ(importResultText(runImport()), "Copied 0 entries (0 images).");
    EXPECT_EQ(store.items.size(), 2u);
}

TEST_F(ParleoImportTest, CompanionFilesAreOnlyRead)
{
    companionPicture(pictureA, "picture A");
    companionPicture(pictureB, "picture B");
    writeCompanion(history({record("N1", R"(,"kind":"image","imgFile":")" + std::string(pictureA) + "\""),
                            record("N2", R"(,"imgFile":")" + std::string(pictureB) + "\""),
                            record("N3", R"(,"kind":"image","imgFile":"CCCCCCCC-0000-4000-8000-000000000003.png")"),
                            record("N4", R"(,"kind":"image","img":")" + std::string(inlinePng) + "\""),
                            record("N5", R"(,"pinned":true)")}));
    ::chmod((companion() / "clipboard.json").c_str(), 0444);
    const auto before = companionTree();

    menuImport();
    menuImport();

    EXPECT_EQ(companionTree(), before);
    EXPECT_EQ(store.items.size(), 4u);
}

TEST_F(ParleoImportTest, FirstLaunchOfferUsesStartFresh)
{
    writeCompanion(history({record("N1")}));
    fake.dialogs.alertAnswers = {1};
    offer();
    EXPECT_EQ(fake.log(), (Lines{
        "defaults: importOfferDone = true",
        "alert: Copy your clipboard history from Parleo 2.0? | " + std::string(confirmText),
        "buttons: Import a Copy, Start Fresh"}));
    EXPECT_TRUE(store.items.empty());

    fake.log_.clear();
    offer(); // the next launch
    EXPECT_EQ(fake.log(), Lines{});
}

TEST_F(ParleoImportTest, AcceptedOfferImportsAndPushes)
{
    writeCompanion(history({record("N1")}));
    offer();
    EXPECT_EQ(fake.log().back(), "push");
    EXPECT_EQ(ids(), (std::vector<std::string>{"N1"}));
}

TEST_F(ParleoImportTest, NoCompanionHistoryMeansNoDialogButTheOfferIsSpent)
{
    offer();
    EXPECT_EQ(fake.log(), (Lines{"defaults: importOfferDone = true"}));
}

// The offer is for a first run only; an own history, even from another launch, rules it out.
TEST_F(ParleoImportTest, OwnHistoryPreventsTheOfferAndStillSpendsIt)
{
    store.save();
    writeCompanion(history({record("N1")}));
    offer();
    EXPECT_EQ(fake.log(), (Lines{"defaults: importOfferDone = true"}));
}

TEST_F(ParleoImportTest, SpentOfferShowsNothing)
{
    fake.defaults.setRaw("importOfferDone", true);
    writeCompanion(history({record("N1")}));
    offer();
    EXPECT_EQ(fake.log(), Lines{});
}

} // namespace
} // namespace brimble::test
