#include <gtest/gtest.h>

#include <algorithm>

#include "history/AppSupport.h"
#include "history/ClipboardStore.h"
#include "history/CopyBack.h"
#include "history/FormatFiles.h"
#include "common/Sha256.h"
#include "platform/fake/FakePlatform.h"
#include "sessions/SessionStore.h"
#include "settings/Settings.h"
#include "support/TempDir.h"
#include "sync/Sync.h"
#include "sync/SyncFolder.h"

namespace brimble {
namespace {

// One machine: its own data folder and stores, sharing `folder` with the others.
struct Device {
    explicit Device(const std::filesystem::path& folder)
        : clips(home.path(), defaults)
        , sessions(home.path())
    {
        sessions.ensureDefaultSession(clips, 1);
        scope.device = *SyncFolder::loadOrMakeDeviceId(AppSupport::directory(home.path()));
        scope.defaultSessionId = sessions.sessions.front().id;
        sync = std::make_unique<Sync>(folder, scope.device);
        clips.limitedOut = [this](const std::string& id) { sync->limitedOut(id); };
    }

    // What the Hub does after each change, and when the folder says something arrived.
    void changed() { sync->recordLocal(clips, sessions, scope, now); }
    ViewChange read() { return sync->readIncoming(clips, sessions, scope, now, historyLimitSetting(defaults)); }
    std::string copy(const std::string& text)
    {
        now += 1;
        const std::string id = clips.addText(text, now, scope.defaultSessionId);
        changed();
        return id;
    }
    std::vector<std::string> texts() const
    {
        std::vector<std::string> texts;
        for (const Clip& clip : clips.items)
            texts.push_back(clip.text.str() + (clip.pinned ? " (pinned)" : ""));
        return texts;
    }

    test::TempDir home;
    FakeLog log;
    FakeDefaults defaults{log};
    ClipboardStore clips;
    SessionStore sessions;
    SyncScope scope;
    std::unique_ptr<Sync> sync;
    double now = 1000;
};

std::vector<std::string> conflictCopies(const std::filesystem::path& folder)
{
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.path().filename().string().find(".sync-conflict-") != std::string::npos)
            found.push_back(entry.path().string());
    return found;
}

class TwoDevicesTest : public testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(shared.path()); }
    void readBoth()
    {
        a.read();
        b.read();
        a.read();
    }

    test::TempDir shared;
    Device a{shared.path()};
    Device b{shared.path()};
};

// The road of a user with two machines: what was there before, copies on each, copies at the same
// second, a pin on one while the other deletes, and a clear, all end in one history.
TEST_F(TwoDevicesTest, CopiesPinsDeletesAndClearsEndInOneHistory)
{
    a.copy("before sync");
    readBoth();
    EXPECT_EQ(b.texts(), (std::vector<std::string>{"before sync"})) << "the history kept before sync is shared";

    a.copy("from A");
    EXPECT_EQ(b.read().added, 1u);
    EXPECT_EQ(b.texts(), (std::vector<std::string>{"from A", "before sync"}));
    EXPECT_EQ(b.sync->status().lastArrival, b.now);

    // Both copy at the same second.
    a.now = b.now = 2000;
    a.copy("same second on A");
    b.copy("same second on B");
    readBoth();
    EXPECT_EQ(a.texts(), b.texts());
    EXPECT_EQ(a.texts().size(), 4u) << "nothing lost, nothing doubled";

    // A pins what B deletes meanwhile.
    const std::string target = a.clips.items.back().id;
    a.clips.togglePin(target);
    a.changed();
    b.clips.remove(target);
    b.changed();
    readBoth();
    EXPECT_EQ(a.texts(), b.texts());
    EXPECT_FALSE(a.clips.find(target)) << "a delete is final on every device";

    // B clears its session: what A copies after B saw its history stays.
    b.clips.clearSession(b.scope.defaultSessionId);
    b.changed();
    a.copy("after the clear");
    readBoth();
    EXPECT_EQ(a.texts(), (std::vector<std::string>{"after the clear"}));
    EXPECT_EQ(b.texts(), a.texts());
    EXPECT_TRUE(conflictCopies(shared.path()).empty());
}

// Each device's limit applies to its own view; pinned entries are never trimmed, and a trim is no
// delete for the other devices.
TEST_F(TwoDevicesTest, HistoryLimitTrimsOnlyThisDevicesView)
{
    b.defaults.setInt(Def::historyLimit, 10);
    const std::string pinned = a.copy("pinned early");
    a.clips.togglePin(pinned);
    a.changed();
    for (int i = 0; i < 30; ++i)
        a.copy("copy " + std::to_string(i));
    readBoth();
    EXPECT_EQ(a.clips.items.size(), 31u) << "B's trim deleted nothing on A";
    ASSERT_EQ(b.clips.items.size(), 11u);
    EXPECT_EQ(b.texts().front(), "pinned early (pinned)");
    EXPECT_EQ(b.texts()[1], "copy 29");
    b.copy("one more on B");
    readBoth();
    EXPECT_EQ(a.clips.items.size(), 32u);
}

// A machine away while the other copies far more than a journal holds: the other's closed
// journals give way to its snapshot, the folder stays the size of the history, and the machine
// that comes back, restarted, catches up without bringing back what was deleted meanwhile.
TEST_F(TwoDevicesTest, CompactedJournalsKeepTheFolderBoundedAndAnAbsentMachineCatchesUp)
{
    a.defaults.setInt(Def::historyLimit, 10);
    b.defaults.setInt(Def::historyLimit, 10);
    const std::string kept = a.copy("kept and pinned");
    const std::string doomed = a.copy("deleted while B is away");
    readBoth();
    ASSERT_EQ(b.texts().size(), 2u);

    a.clips.togglePin(kept);
    a.clips.remove(doomed);
    a.changed();
    // Long but still taken in by capture: 30,000 characters of four bytes each.
    std::string big;
    for (int i = 0; i < 30000; ++i)
        big += "\U0001D11E";
    for (int i = 0; i < 40; ++i) {
        a.copy(std::to_string(i) + big);
        a.read();
    }
    std::vector<std::string> files;
    uintmax_t bytes = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(shared.path() / "devices" / a.scope.device)) {
        files.push_back(entry.path().filename().string());
        bytes += entry.file_size();
    }
    std::sort(files.begin(), files.end());
    ASSERT_EQ(files.size(), 2u);
    const auto journal = SyncFolder::journalNumber(files[0]);
    ASSERT_TRUE(journal && *journal > 3) << files[0];
    EXPECT_EQ(files[1], SyncFolder::snapshotName(*journal - 1));
    // The open journal, and a snapshot of the ten newest copies and the pin.
    EXPECT_LT(bytes, SyncFolder::journalRollBytes + 12 * big.size());

    // B starts again: the entry deleted while it was away is not journaled again as its own.
    const auto heads = [](const Device& device) {
        std::vector<std::string> heads;
        for (const std::string& text : device.texts())
            heads.push_back(text.substr(0, 24));
        return heads;
    };
    b.sync = std::make_unique<Sync>(shared.path(), b.scope.device);
    b.read();
    a.read();
    EXPECT_EQ(heads(b), heads(a));
    EXPECT_EQ(a.clips.items.size(), 11u);
    EXPECT_EQ(heads(b).front(), "kept and pinned (pinned)");
    EXPECT_FALSE(b.clips.find(doomed));
    EXPECT_FALSE(a.clips.find(doomed));
    EXPECT_TRUE(conflictCopies(shared.path()).empty());

    // A third machine set up now gets the same history from the snapshot alone.
    Device c{shared.path()};
    c.defaults.setInt(Def::historyLimit, 10);
    c.read();
    EXPECT_EQ(heads(c), heads(a));
}

// A session kept on this machine, and the shared folder gone for a while (an unmounted drive).
TEST_F(TwoDevicesTest, LocalSessionsStayAndAMissingFolderPausesWithoutLoss)
{
    const Session secret = a.sessions.createSession("Local", 5);
    a.scope.localSessions.insert(secret.id);
    readBoth();
    a.clips.addText("kept on A only", a.now, secret.id);
    a.changed();
    readBoth();
    EXPECT_TRUE(b.texts().empty());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(shared.path()))
        if (entry.is_regular_file()) {
            EXPECT_EQ(test::readFile(entry.path()).find("kept on A only"), std::string::npos) << entry.path();
        }

    const std::filesystem::path aside = shared.path().string() + "-unmounted";
    std::filesystem::rename(shared.path(), aside);
    a.copy("while away");
    a.read();
    EXPECT_EQ(a.sync->status().health, SyncHealth::FolderMissing);
    EXPECT_FALSE(std::filesystem::exists(shared.path())) << "an unmounted drive's mount point is not filled";
    std::filesystem::rename(aside, shared.path());
    a.read();
    EXPECT_EQ(a.sync->status().health, SyncHealth::Ok);
    b.read();
    EXPECT_EQ(b.texts(), (std::vector<std::string>{"while away"}));
}

// A picture travels once by its content. Its journal line may come before its file: the entry
// shows at once as a placeholder, a copy of it leaves the clipboard alone (its label is no
// picture), and it becomes the picture when the file arrives whole.
TEST_F(TwoDevicesTest, PicturesTravelOnceByContentAndWaitAsPlaceholders)
{
    readBoth();
    const std::vector<uint8_t> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 1, 2, 3};
    ASSERT_TRUE(a.clips.addImage(bytes, "png", "PNG · 1×1", a.now, a.scope.defaultSessionId));
    a.changed();
    const std::filesystem::path pictures = shared.path() / "pictures";
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(pictures))
        files.push_back(entry.path());
    ASSERT_EQ(files.size(), 1u);
    const std::filesystem::path file = files.front();
    const std::filesystem::path aside = shared.path() / "picture-in-transit";
    std::filesystem::rename(file, aside);

    // Not arrived, then half arrived: a placeholder, named by the picture it waits for.
    for (const std::string& onDisk : {std::string(), std::string("\x89PNG")}) {
        if (!onDisk.empty())
            test::writeFile(file, onDisk);
        const ViewChange change = b.read();
        EXPECT_EQ(change.waiting, 1u) << onDisk.size();
        ASSERT_EQ(b.clips.items.size(), 1u);
        EXPECT_TRUE(awaitsPicture(b.clips.items.front()));
        EXPECT_EQ(b.clips.items.front().text.str(), "PNG · 1×1");
    }
    FakePlatform desk;
    desk.pasteboard.currentText = "held before";
    int64_t lastChange = 0;
    const Clip placeholder = b.clips.items.front();
    copyToPasteboard(b.clips, desk.pasteboard, *desk.codec, placeholder.id, b.now + 5, lastChange);
    EXPECT_EQ(desk.pasteboard.currentText, "held before") << "a placeholder's label never replaces the clipboard";
    EXPECT_EQ(b.clips.items.front().ts, placeholder.ts);

    std::filesystem::rename(aside, file);
    EXPECT_EQ(b.read().changed, 1u) << "a picture arriving alone is noticed";
    const Clip& picture = b.clips.items.front();
    EXPECT_FALSE(awaitsPicture(picture));
    EXPECT_EQ(picture.id, placeholder.id);
    EXPECT_EQ(test::readFile(AppSupport::imagesFolder(b.home.path()) / picture.imgFile.value()),
              std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(pictures), {}), 1);
}

// A formatted copy pastes formatted on the other machine: its kept formats travel once by
// content, like pictures, and one whose file comes after the journal line is added on arrival.
TEST_F(TwoDevicesTest, KeptFormatsTravelAndArriveLate)
{
    readBoth();
    const std::vector<ExtraFormat> formats = {{"text/html", "<b>bold</b>"}, {"text/rtf", "{\\rtf1 bold}"}};
    a.now += 1;
    a.clips.addText("bold", a.now, a.scope.defaultSessionId, formats);
    a.changed();
    const std::filesystem::path rtf = shared.path() / "formats" / sha256Hex(std::string_view("{\\rtf1 bold}"));
    const std::filesystem::path aside = shared.path() / "rtf-in-transit";
    std::filesystem::rename(rtf, aside);

    b.read();
    ASSERT_EQ(b.clips.items.size(), 1u);
    EXPECT_EQ(loadFormats(b.home.path(), b.clips.items.front()), (std::vector<ExtraFormat>{formats[0]}));
    std::filesystem::rename(aside, rtf);
    EXPECT_EQ(b.read().changed, 1u) << "a format arriving alone is noticed";
    EXPECT_EQ(loadFormats(b.home.path(), b.clips.items.front()), formats);
    EXPECT_EQ(b.clips.items.front().formats, a.clips.items.front().formats) << "named by content on both";
}

// The shared pictures folder keeps what some journal names. A picture no device names goes once
// this device has seen it unnamed for the grace period (its journal line may be on its way);
// foreign files, links and named pictures stay; a picture removed while a device still shows it
// is written again by that device.
TEST_F(TwoDevicesTest, UnnamedPicturesGoAfterTheGraceAndAWrongRemovalIsMended)
{
    readBoth();
    const std::vector<uint8_t> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 4, 5, 6};
    ASSERT_TRUE(a.clips.addImage(bytes, "png", "PNG · 1×1", a.now, a.scope.defaultSessionId));
    a.changed();
    b.read();
    const std::filesystem::path pictures = shared.path() / "pictures";
    const std::filesystem::path named = pictures / SyncFolder::pictureName(bytes, "png");
    const std::string orphanName = SyncFolder::pictureName(std::vector<uint8_t>{7}, "jpg");
    test::TempDir outside;
    test::writeFile(outside.path() / "kept.png", "the user's");
    std::filesystem::create_symlink(outside.path() / "kept.png", pictures / SyncFolder::pictureName(std::vector<uint8_t>{8}, "png"));
    for (const std::string& name : {orphanName, orphanName + ".Ab12Cd", std::string("notes.txt")})
        test::writeFile(pictures / name, "x");
    const auto left = [&] { return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(pictures), {})); };

    // First seen unnamed, then not yet long enough, then past the grace.
    for (const auto& [after, count] : std::vector<std::pair<double, size_t>>{{700, 5}, {3000, 5}, {700, 3}}) {
        a.now += after;
        a.read();
        EXPECT_EQ(left(), count) << a.now;
    }
    EXPECT_TRUE(std::filesystem::exists(named));
    EXPECT_FALSE(std::filesystem::exists(pictures / orphanName));
    EXPECT_EQ(test::readFile(outside.path() / "kept.png"), "the user's");

    std::filesystem::remove(named);
    b.read();
    EXPECT_EQ(test::readFile(named), std::string(bytes.begin(), bytes.end())) << "written again by a holder";
    EXPECT_TRUE(conflictCopies(shared.path()).empty());
}

} // namespace
} // namespace brimble
