#include <gtest/gtest.h>

#include <unistd.h>

#include <random>

#include "sync/JournalReader.h"
#include "sync/JournalWriter.h"
#include "sync/SyncFolder.h"
#include "sync/SyncMerge.h"
#include "support/TempDir.h"
#include "unit/sync/SyncEvents.h"

namespace brimble {
namespace {

using test::addedText;
using test::readFile;
using test::syncEvent;
using test::writeFile;

class JournalFolderTest : public testing::Test {
protected:
    std::filesystem::path shared() const { return home.path() / "shared"; }
    std::filesystem::path deviceFolder(const std::string& device) const { return shared() / "devices" / device; }
    void SetUp() override { std::filesystem::create_directories(shared()); }

    test::TempDir home;
    const std::string device = newUuid();
    const std::string other = newUuid();
};

TEST_F(JournalFolderTest, DeviceIdIsMadeOnceAndKept)
{
    const auto first = SyncFolder::loadOrMakeDeviceId(home.path() / "Brimble");
    ASSERT_TRUE(first);
    EXPECT_TRUE(isSyncId(*first));
    EXPECT_EQ(SyncFolder::loadOrMakeDeviceId(home.path() / "Brimble"), first);
    EXPECT_EQ(test::fileMode(home.path() / "Brimble" / "sync-device-id"), 0600);
    writeFile(home.path() / "Brimble" / "sync-device-id", "garbage");
    const auto remade = SyncFolder::loadOrMakeDeviceId(home.path() / "Brimble");
    ASSERT_TRUE(remade);
    EXPECT_NE(remade, first);
}

// A journal arriving piece by piece (the file-sync tool writes it as it comes): each line is read
// once, whole, and a line still without its end waits.
TEST_F(JournalFolderTest, GrowingJournalsAreReadLineByLineOnce)
{
    JournalWriter writer(shared(), other);
    JournalReader reader(shared());
    EXPECT_TRUE(reader.readNew().events.empty());
    const SyncEvent first = addedText(other, 1, newUuid(), "first");
    ASSERT_TRUE(writer.append(std::span(&first, 1)));
    EXPECT_EQ(test::fileMode(writer.currentJournal()), 0600);
    EXPECT_EQ(reader.readNew().events, std::vector<SyncEvent>{first});
    EXPECT_TRUE(reader.readNew().events.empty()) << "read once";

    const SyncEvent second = addedText(other, 2, newUuid(), "second");
    const std::string line = encodeSyncEvent(second) + "\n";
    const std::string journal = readFile(writer.currentJournal());
    writeFile(writer.currentJournal(), journal + line.substr(0, 10));
    EXPECT_TRUE(reader.readNew().events.empty()) << "half a line waits";
    writeFile(writer.currentJournal(), journal + line);
    EXPECT_EQ(reader.readNew().events, std::vector<SyncEvent>{second});
}

TEST_F(JournalFolderTest, JournalsRollBySizeAndAreNeverWrittenOnceClosed)
{
    JournalWriter writer(shared(), device);
    std::vector<SyncEvent> events;
    const std::string text(64 * 1024, 'x');
    for (int i = 0; i < 40; ++i)
        events.push_back(addedText(device, i, newUuid(), text));
    for (const SyncEvent& event : events)
        ASSERT_TRUE(writer.append(std::span(&event, 1)));
    EXPECT_EQ(writer.currentJournal().filename(), "journal-000003.jsonl");
    for (unsigned number : {1u, 2u})
        EXPECT_LT(std::filesystem::file_size(deviceFolder(device) / SyncFolder::journalName(number)),
                  SyncFolder::journalRollBytes + 70 * 1024);
    // A new run continues in the newest journal.
    JournalWriter again(shared(), device);
    const SyncEvent last = addedText(device, 99, newUuid(), "last");
    ASSERT_TRUE(again.append(std::span(&last, 1)));
    EXPECT_EQ(again.currentJournal().filename(), "journal-000003.jsonl");
    JournalReader reader(shared());
    EXPECT_EQ(reader.readNew().events.size(), 41u);
}

// An unmounted drive: the folder is gone and is not made anew under the mount point.
TEST_F(JournalFolderTest, MissingFolderIsNotCreatedAndSaysSo)
{
    std::filesystem::remove_all(shared());
    JournalWriter writer(shared(), device);
    const SyncEvent event = addedText(device, 1, newUuid(), "x");
    EXPECT_FALSE(writer.append(std::span(&event, 1)));
    EXPECT_FALSE(std::filesystem::exists(shared()));
    EXPECT_TRUE(JournalReader(shared()).readNew().folderMissing);
}

// Each file here is something a damaged or hostile shared folder may hold. Only the true lines of
// the true journals are read, and nothing outside the folder.
TEST_F(JournalFolderTest, HostileFilesCostNothingAndReadNothingOutside)
{
    const SyncEvent good = addedText(other, 1, newUuid(), "good");
    const SyncEvent afterHuge = addedText(other, 2, newUuid(), "after the huge line");
    const SyncEvent outside = addedText(other, 3, newUuid(), "outside");
    const SyncEvent foreign = addedText(device, 4, newUuid(), "claims to be another device");
    const std::filesystem::path journal = deviceFolder(other) / "journal-000001.jsonl";
    writeFile(journal, encodeSyncEvent(good) + "\n{broken\n" + std::string(SyncFolder::maxLineBytes + 10, 'z') +
                           "\n" + encodeSyncEvent(afterHuge) + "\n" + encodeSyncEvent(foreign) + "\n");
    // Outside the folder, reached only through links.
    const std::filesystem::path elsewhere = home.path() / "elsewhere";
    writeFile(elsewhere / "journal-000001.jsonl", encodeSyncEvent(outside) + "\n");
    const std::string linked = newUuid();
    std::filesystem::create_directories(deviceFolder(linked));
    std::filesystem::create_symlink(elsewhere / "journal-000001.jsonl", deviceFolder(linked) / "journal-000002.jsonl");
    std::filesystem::create_directory_symlink(elsewhere, deviceFolder(newUuid()));
    // Temporaries and strangers.
    writeFile(deviceFolder(other) / ".syncthing.journal-000002.jsonl.tmp", encodeSyncEvent(outside) + "\n");
    writeFile(deviceFolder(other) / "~syncthing~journal-000002.jsonl.tmp", encodeSyncEvent(outside) + "\n");
    writeFile(shared() / "devices" / "not-a-device" / "journal-000001.jsonl", encodeSyncEvent(outside) + "\n");
    // A conflict copy of the journal is folded in: its lines count once.
    std::filesystem::copy_file(journal, deviceFolder(other) / "journal-000001.sync-conflict-20261208-032500-ABCDEFG.jsonl");

    const JournalScan scan = JournalReader(shared()).readNew();
    const MergedHistory merged = mergeJournals(scan.events, 10);
    std::vector<std::string> texts;
    for (const MergedEntry& entry : merged.entries)
        texts.push_back(entry.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"after the huge line", "good"}));
    EXPECT_EQ(scan.badLines, 6u);
}

// Any split of the same lines into journals, conflict copies included, read at any moment of
// their arrival, merges to the history of the lines themselves.
TEST_F(JournalFolderTest, AnySplitIntoFilesReachesOneHistory)
{
    std::mt19937 random(7);
    std::vector<SyncEvent> events;
    for (int i = 0; i < 60; ++i) {
        const std::string id = newUuid();
        events.push_back(addedText(i % 2 ? device : other, i % 7, id, "t" + std::to_string(i)));
        if (i % 3 == 0)
            events.push_back(syncEvent(i % 2 ? other : device, i % 5, SyncKind::Pinned, {id}));
        if (i % 4 == 0)
            events.push_back(syncEvent(other, i % 9, SyncKind::Deleted, {id}));
    }
    const MergedHistory expected = mergeJournals(events, 100);
    for (int trial = 0; trial < 4; ++trial) {
        const std::filesystem::path folder = home.path() / ("split" + std::to_string(trial));
        std::map<std::filesystem::path, std::string> files;
        for (const SyncEvent& event : events) {
            const unsigned number = std::uniform_int_distribution<unsigned>(1, 3)(random);
            files[folder / "devices" / event.device / SyncFolder::journalName(number)] += encodeSyncEvent(event) + "\n";
        }
        JournalReader reader(folder);
        std::vector<SyncEvent> read;
        // The files arrive in halves, cut anywhere, and a conflict copy of each appears.
        for (const auto& [path, text] : files)
            writeFile(path, text.substr(0, text.size() / 2));
        for (const SyncEvent& event : reader.readNew().events)
            read.push_back(event);
        for (const auto& [path, text] : files) {
            writeFile(path, text);
            writeFile(path.parent_path() / (path.stem().string() + ".sync-conflict-20261208-000000-XYZ.jsonl"), text);
        }
        for (const SyncEvent& event : reader.readNew().events)
            read.push_back(event);
        ASSERT_EQ(mergeJournals(read, 100), expected) << "trial " << trial;
    }
}

TEST_F(JournalFolderTest, PicturesAreStoredOnceByContentAndCheckedWhenRead)
{
    const std::vector<uint8_t> bytes = {0x89, 'P', 'N', 'G', 1, 2, 3};
    const auto name = SyncFolder::storePicture(shared(), bytes, "png");
    ASSERT_TRUE(name);
    EXPECT_EQ(*name, SyncFolder::pictureName(bytes, "png"));
    const auto modified = std::filesystem::last_write_time(shared() / "pictures" / *name);
    EXPECT_EQ(SyncFolder::storePicture(shared(), bytes, "png"), name);
    EXPECT_EQ(std::filesystem::last_write_time(shared() / "pictures" / *name), modified) << "stored once";
    EXPECT_EQ(SyncFolder::readPicture(shared(), *name), std::string(bytes.begin(), bytes.end()));

    // Half arrived, or foreign bytes under a picture's name: not the picture.
    const std::string absent = SyncFolder::pictureName(std::vector<uint8_t>{9, 9}, "png");
    writeFile(shared() / "pictures" / absent, "other bytes");
    EXPECT_FALSE(SyncFolder::readPicture(shared(), absent));
    // A link to a file outside.
    const std::string linkedName = SyncFolder::pictureName(std::vector<uint8_t>{7}, "png");
    writeFile(home.path() / "secret", std::string(1, '\7'));
    std::filesystem::create_symlink(home.path() / "secret", shared() / "pictures" / linkedName);
    EXPECT_FALSE(SyncFolder::readPicture(shared(), linkedName));
    EXPECT_FALSE(SyncFolder::readPicture(shared(), "../secret"));
}

} // namespace
} // namespace brimble
