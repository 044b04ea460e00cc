// Capture and page commands under write faults: a read-only data folder, a full disk, and
// folders or files standing where the program's own files belong.

#include <memory>

#include <gtest/gtest.h>

#include "FaultInjection.h"
#include "bridge/ClipCommands.h"
#include "history/ClipCodec.h"
#include "platform/JsonFileDefaults.h"
#include "sessions/SessionCodec.h"
#include "support/HubFixture.h"
#include "unit/history/CaptureFixture.h"

namespace brimble::test {
namespace {

enum class Fault { ReadOnlyFolder, DiskFull, ThingsInTheWay };

std::string faultName(Fault fault)
{
    switch (fault) {
    case Fault::ReadOnlyFolder:
        return "ReadOnlyFolder";
    case Fault::DiskFull:
        return "DiskFull";
    case Fault::ThingsInTheWay:
        return "ThingsInTheWay";
    }
    return "";
}

// Puts one fault in place for its lifetime. `ThingsInTheWay` stands folders where the three
// JSON files are and a plain file where the picture folder would be made.
class FaultScope {
public:
    FaultScope(Fault fault, const std::filesystem::path& tree, const std::filesystem::path& dataDir)
        : dataDir_(dataDir), fault_(fault)
    {
        switch (fault) {
        case Fault::ReadOnlyFolder:
            readOnly_ = std::make_unique<ScopedReadOnlyFolders>(tree, std::vector{dataDir});
            effective_ = readOnly_->effective();
            break;
        case Fault::DiskFull:
            // Small enough that every file the program writes runs into it part-way.
            full_ = std::make_unique<ScopedFileSizeLimit>(16);
            effective_ = full_->active();
            break;
        case Fault::ThingsInTheWay:
            for (const char* name : {"clipboard.json", "sessions.json", "blocks.json"}) {
                std::filesystem::remove(dataDir / name);
                std::filesystem::create_directory(dataDir / name);
                writeFile(dataDir / name / "user-notes.txt", "someone else's");
            }
            writeFile(dataDir / "clipboard-images", "a file, not a folder");
            effective_ = true;
            break;
        }
    }

    // Ends the fault, as a user freeing space or moving their things away would.
    void clear()
    {
        readOnly_.reset();
        full_.reset();
        if (fault_ == Fault::ThingsInTheWay) {
            for (const char* name : {"clipboard.json", "sessions.json", "blocks.json"})
                std::filesystem::remove_all(dataDir_ / name);
            std::filesystem::remove(dataDir_ / "clipboard-images");
        }
    }
    bool effective() const { return effective_; }

private:
    std::filesystem::path dataDir_;
    Fault fault_;
    std::unique_ptr<ScopedReadOnlyFolders> readOnly_;
    std::unique_ptr<ScopedFileSizeLimit> full_;
    bool effective_ = false;
};

// A running controller over the fake platform with two entries and a block already saved.
struct FaultFixture : HubFixture {
    FaultFixture()
    {
        launch();
        copy("alpha");
        copy("bravo");
        command(R"({"cmd":"blockCreate","name":"Links"})");
    }
    void copy(const std::string& text)
    {
        fake.pasteboard.simulateCopy({plainText}, text);
        fake.pasteboard.fireWatch();
    }
    void copyPicture()
    {
        fake.pasteboard.simulateCopy({"public.png"}, std::nullopt, pictureBytes(40, 30, "png"));
        fake.pasteboard.fireWatch();
    }
    void command(const std::string& body) { hub->didReceiveScriptMessage(clipChannel, body); }
    std::string idOf(const std::string& text) const
    {
        for (const Clip& clip : hub->clip.items)
            if (clip.text == text)
                return clip.id;
        return "";
    }
    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const Clip& clip : hub->clip.items)
            out.push_back(clip.text);
        return out;
    }
    std::vector<std::string> savedTexts() const
    {
        std::vector<std::string> out;
        for (const Clip& clip : decodeClips(readFile(dataDir() / "clipboard.json")).value_or(std::vector<Clip>{}))
            out.push_back(clip.text);
        return out;
    }
};

class WriteFault : public ::testing::TestWithParam<Fault> {};

TEST_P(WriteFault, WorkGoesOnInMemoryNothingOnDiskIsHarmedAndTheNextSaveWritesEverything)
{
    FaultFixture f;
    const std::string alpha = f.idOf("alpha");
    FaultScope fault(GetParam(), f.home.path(), f.dataDir());
    if (!fault.effective())
        GTEST_SKIP() << "this system cannot make the fault real";
    const auto before = treeSnapshot(f.home.path());
    const size_t pushes = f.fake.host.scripts.size();

    f.copy("charlie");
    f.copyPicture();
    f.command(R"({"cmd":"pin","id":")" + alpha + R"("})");
    f.command(R"({"cmd":"sessionCreate","name":"Trip"})");
    f.command(R"({"cmd":"blockRename","id":")" + f.hub->sessions.blocks[0].id + R"(","name":"Reading"})");
    f.copy("delta");

    // The in-memory state moved on and the page was told each time.
    EXPECT_EQ(f.texts(), (std::vector<std::string>{"alpha", "delta", "charlie", "bravo"}));
    EXPECT_TRUE(f.hub->clip.items[0].pinned);
    EXPECT_EQ(f.hub->sessions.sessions.size(), 2u);
    EXPECT_GE(f.fake.host.scripts.size(), pushes + 4);
    // A picture that cannot be written is not recorded at all.
    EXPECT_EQ(f.hub->clip.imagesTotalBytes(), 0u);
    // Not a byte, mode or name changed: no half-written file, no temporary left behind. The
    // program may have made its own picture folder before the picture's write failed; while it
    // is empty it holds nothing.
    auto after = treeSnapshot(f.home.path());
    const std::string images = "data/Brimble/clipboard-images";
    const bool madeEmpty = !before.contains(images) && after.contains(images)
        && std::filesystem::is_empty(f.dataDir() / "clipboard-images");
    if (madeEmpty)
        after.erase(images);
    EXPECT_EQ(after, before);

    fault.clear();
    f.copy("echo");
    f.copyPicture();

    const auto saved = decodeClips(readFile(f.dataDir() / "clipboard.json"));
    ASSERT_TRUE(saved);
    std::vector<std::string> savedTexts;
    for (const Clip& clip : *saved)
        savedTexts.push_back(clip.text);
    EXPECT_EQ(savedTexts,
              (std::vector<std::string>{"alpha", "PNG \u00B7 40\u00D730", "echo", "delta", "charlie", "bravo"}));
    EXPECT_TRUE((*saved)[0].pinned);
    const auto sessions = decodeSessions(readFile(f.dataDir() / "sessions.json"));
    ASSERT_TRUE(sessions);
    EXPECT_EQ(sessions->size(), 2u);
    const auto blocks = decodeBlocks(readFile(f.dataDir() / "blocks.json"));
    ASSERT_TRUE(blocks);
    ASSERT_EQ(blocks->size(), 1u);
    EXPECT_EQ((*blocks)[0].name, "Reading");
    EXPECT_EQ(fileMode(f.dataDir() / "clipboard.json"), 0600);

    // A fresh start reads back exactly what was shown.
    const std::vector<std::string> shown = f.texts();
    f.hub.reset();
    f.launch();
    EXPECT_EQ(f.texts(), shown);
}

INSTANTIATE_TEST_SUITE_P(Faults, WriteFault,
                         ::testing::Values(Fault::ReadOnlyFolder, Fault::DiskFull, Fault::ThingsInTheWay),
                         [](const auto& info) { return faultName(info.param); });

// Guards entries that vanish after a restart: the history was saved naming a session whose own
// file write had failed, and nothing wrote "sessions.json" again once the fault was gone.
TEST(WriteFault, SessionsFileCatchesUpBeforeTheHistoryNamesItsSession)
{
    FaultFixture f;
    std::filesystem::remove(f.dataDir() / "sessions.json");
    std::filesystem::create_directory(f.dataDir() / "sessions.json");
    f.command(R"({"cmd":"sessionCreate","name":"Trip"})");
    f.copy("packed list");
    std::filesystem::remove(f.dataDir() / "sessions.json");
    f.copy("tickets");

    f.hub.reset();
    Hub& again = f.launch();
    ASSERT_EQ(again.sessions.sessions.size(), 2u);
    EXPECT_EQ(again.sessions.sessions[1].name, "Trip");
    for (const Clip& clip : again.clip.items)
        EXPECT_TRUE(again.sessions.hasSession(clip.sessionId)) << clip.text << " names a session that is gone";
}

// Guards the only copy of a damaged history being overwritten: moving it aside failed while the
// folder was read-only, and the next save, with the folder writable again, wrote over it.
TEST(WriteFault, UndecodableHistoryIsStillSetAsideWhenTheFirstSaveFailed)
{
    TempDir home;
    FakePlatform fake;
    const auto dataDir = home / "data" / "Brimble";
    writeFile(dataDir / "clipboard.json", "[{\"id\": broken");
    ClipboardStore store(home / "data", fake.defaults);
    {
        ScopedReadOnlyFolders readOnly(home.path(), {dataDir});
        if (!readOnly.effective())
            GTEST_SKIP() << "this system cannot make a folder read-only";
        store.addText("first", 1, "S");
    }
    store.addText("second", 2, "S");

    std::vector<std::string> asideCopies;
    for (const auto& entry : std::filesystem::directory_iterator(dataDir))
        if (entry.path().filename().string().starts_with("clipboard.json.unreadable-"))
            asideCopies.push_back(readFile(entry.path()));
    EXPECT_EQ(asideCopies, std::vector<std::string>{"[{\"id\": broken"});
    EXPECT_EQ(decodeClips(readFile(dataDir / "clipboard.json")).value_or(std::vector<Clip>{}).size(), 2u);
}

// The same for the settings file, which has its own writer.
TEST(WriteFault, UndecodableSettingsAreStillSetAsideWhenTheFirstSaveFailed)
{
    TempDir home;
    const auto configDir = home / "config" / "Brimble";
    writeFile(configDir / "settings.json", "{not json");
    JsonFileDefaults defaults(configDir / "settings.json");
    {
        ScopedReadOnlyFolders readOnly(home.path(), {configDir});
        if (!readOnly.effective())
            GTEST_SKIP() << "this system cannot make a folder read-only";
        defaults.setBool("clipboardPaused", true);
    }
    defaults.setInt("historyLimit", 20);

    std::vector<std::string> asideCopies;
    for (const auto& entry : std::filesystem::directory_iterator(configDir))
        if (entry.path().filename().string().starts_with("settings.json.unreadable-"))
            asideCopies.push_back(readFile(entry.path()));
    EXPECT_EQ(asideCopies, std::vector<std::string>{"{not json"});
    JsonFileDefaults reread(configDir / "settings.json");
    EXPECT_EQ(reread.boolValue("clipboardPaused"), true);
    EXPECT_EQ(reread.intValue("historyLimit"), 20);
}

// Guards a failed write changing what stands in the file's place: the mode was set afterwards
// on whatever was there, which locked the owner out of their own folder.
TEST(WriteFault, FailedWritesLeaveTheModeOfWhatIsInTheWayAlone)
{
    TempDir home;
    FakePlatform fake;
    const auto dataDir = home / "data" / "Brimble";
    ClipboardStore store(home / "data", fake.defaults);
    std::filesystem::create_directories(dataDir / "clipboard.json");
    std::filesystem::permissions(dataDir / "clipboard.json", std::filesystem::perms(0755));
    writeFile(dataDir / "clipboard-images", "not a folder");
    std::filesystem::permissions(dataDir / "clipboard-images", std::filesystem::perms(0644));

    store.addImage(pictureBytes(4, 4, "png"), "png", "PNG \u00B7 4\u00D74", 1, "S");
    store.addText("text", 2, "S");

    EXPECT_EQ(fileMode(dataDir / "clipboard.json"), 0755);
    EXPECT_EQ(fileMode(dataDir / "clipboard-images"), 0644);
    EXPECT_EQ(readFile(dataDir / "clipboard-images"), "not a folder");
    EXPECT_EQ(store.items.size(), 1u) << "the text stays in memory, the picture is not recorded";
}

} // namespace
} // namespace brimble::test
