#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "sync/SyncFold.h"
#include "sync/SyncMerge.h"
#include "sync/SyncSnapshot.h"
#include "unit/sync/SyncEvents.h"

namespace brimble {
namespace {

using test::addedText;
using test::syncEvent;

const std::string deviceA = "AAAAAAAA-0000-4000-8000-000000000000";
const std::string deviceB = "BBBBBBBB-0000-4000-8000-000000000000";
const std::string deviceC = "CCCCCCCC-0000-4000-8000-000000000000";
constexpr double now = 1000;

std::vector<std::string> entryIds(const MergedHistory& merged)
{
    std::vector<std::string> ids;
    for (const MergedEntry& entry : merged.entries)
        ids.push_back(entry.text);
    return ids;
}

// Every rule of the merge seen from both sides: each case is merged in the order given and in the
// reverse order, and both must give the expected texts and pins.
TEST(SyncMergeTest, RulesHoldWhicheverDeviceIsReadFirst)
{
    const std::string x = newUuid();
    const std::string y = newUuid();
    struct Case {
        const char* name;
        std::vector<SyncEvent> events;
        std::vector<std::string> texts; // newest first
        bool xPinned;
    };
    const std::vector<Case> cases = {
        {"a later unpin wins over a pin", {addedText(deviceA, 1, x, "x"), syncEvent(deviceA, 2, SyncKind::Pinned, {x}),
                                           syncEvent(deviceB, 3, SyncKind::Unpinned, {x})}, {"x"}, false},
        {"same second: the higher device id is the last writer",
         {addedText(deviceA, 1, x, "x"), syncEvent(deviceB, 2, SyncKind::Pinned, {x}),
          syncEvent(deviceA, 2, SyncKind::Unpinned, {x})}, {"x"}, true},
        {"a pin on one device while another deletes: deleted on both",
         {addedText(deviceA, 1, x, "x"), syncEvent(deviceA, 5, SyncKind::Pinned, {x}),
          syncEvent(deviceB, 4, SyncKind::Deleted, {x})}, {}, false},
        {"clear removes only what it saw",
         {addedText(deviceA, 1, x, "x"), addedText(deviceB, 1, y, "y"), syncEvent(deviceA, 2, SyncKind::Deleted, {x})},
         {"y"}, false},
        {"an edit that arrives before its entry still applies",
         {syncEvent(deviceB, 3, SyncKind::Pinned, {x}), addedText(deviceA, 1, x, "x")}, {"x"}, true},
        {"copied again: newest first", {addedText(deviceA, 1, x, "x"), addedText(deviceB, 2, y, "y"),
                                        syncEvent(deviceA, 3, SyncKind::Touched, {x})}, {"x", "y"}, false},
        {"an edit of an entry never added shows nothing", {syncEvent(deviceB, 3, SyncKind::Pinned, {x})}, {}, false},
    };
    for (const Case& row : cases) {
        for (bool reversed : {false, true}) {
            std::vector<SyncEvent> events = row.events;
            if (reversed)
                std::reverse(events.begin(), events.end());
            const MergedHistory merged = mergeJournals(events, now);
            EXPECT_EQ(entryIds(merged), row.texts) << row.name;
            const auto found = std::find_if(merged.entries.begin(), merged.entries.end(),
                                            [&](const MergedEntry& entry) { return entry.id == x; });
            EXPECT_EQ(found != merged.entries.end() && found->pinned, row.xPinned) << row.name;
        }
    }
}

TEST(SyncMergeTest, BlocksAndSessionsTakeTheLastNameAndColour)
{
    const std::string block = newUuid();
    const std::string entry = newUuid();
    SyncEvent created = syncEvent(deviceA, 1, SyncKind::BlockSet, {block});
    created.session = "default";
    created.name = "Work";
    created.color = "rose";
    SyncEvent renamed = syncEvent(deviceB, 3, SyncKind::BlockSet, {block});
    renamed.session = "default";
    renamed.name = "Job";
    SyncEvent recoloured = syncEvent(deviceA, 2, SyncKind::BlockSet, {block});
    recoloured.session = "default";
    recoloured.color = "mint";
    SyncEvent inBlock = addedText(deviceA, 1, entry, "e");
    inBlock.block = block;
    SyncEvent named = syncEvent(deviceB, 1, SyncKind::SessionSet, {"default"});
    named.name = "Home";
    SyncEvent renamedSession = syncEvent(deviceA, 2, SyncKind::SessionSet, {"default"});
    renamedSession.name = "Desk";

    MergedHistory merged = mergeJournals({renamed, created, recoloured, inBlock, named, renamedSession}, now);
    ASSERT_EQ(merged.blocks.size(), 1u);
    EXPECT_EQ(merged.blocks[0].name, "Job");
    EXPECT_EQ(merged.blocks[0].color, "mint");
    EXPECT_EQ(merged.entries.at(0).block, block);
    ASSERT_EQ(merged.sessions.size(), 1u);
    EXPECT_EQ(merged.sessions[0].name, "Desk");

    // Deleting the block leaves its entries in the session, out of any block.
    merged = mergeJournals({renamed, created, inBlock, syncEvent(deviceB, 4, SyncKind::BlockDeleted, {block})}, now);
    EXPECT_TRUE(merged.blocks.empty());
    EXPECT_EQ(merged.entries.at(0).block, std::nullopt);
}

// A device whose clock runs years ahead: its unpin would otherwise beat every later pin, and its
// delete remove an entry the user is looking at.
TEST(SyncMergeTest, FarFutureEventsWaitForTheClock)
{
    const std::string x = newUuid();
    const std::vector<SyncEvent> events = {addedText(deviceA, 10, x, "x"), syncEvent(deviceA, 20, SyncKind::Pinned, {x}),
                                           syncEvent(deviceB, 1e10, SyncKind::Deleted, {x}),
                                           syncEvent(deviceB, 1e10, SyncKind::Unpinned, {x})};
    const MergedHistory merged = mergeJournals(events, now);
    EXPECT_EQ(merged.heldBack, 2u);
    ASSERT_EQ(merged.entries.size(), 1u);
    EXPECT_TRUE(merged.entries[0].pinned);
}

// Random journals of three devices: adds, copies again, pins, moves, deletes, clears, blocks.
std::vector<SyncEvent> randomJournals(std::mt19937& random, int steps)
{
    const std::vector<std::string> devices = {deviceA, deviceB, deviceC};
    const std::vector<std::string> blocks = {newUuid(), newUuid()};
    std::vector<std::string> entries;
    std::vector<SyncEvent> events;
    auto pick = [&](size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(random); };
    for (int step = 0; step < steps; ++step) {
        const std::string& device = devices[pick(devices.size())];
        const double ts = static_cast<double>(pick(40)); // few distinct seconds: many ties
        const size_t action = entries.empty() ? 0 : pick(8);
        if (action == 0 || action == 1) {
            entries.push_back(newUuid());
            events.push_back(addedText(device, ts, entries.back(), "t" + std::to_string(step)));
            if (action == 1) // kept formats, which snapshots must carry too
                events.back().formats = {{"text/html", std::string(64, static_cast<char>('a' + step % 6))}};
            continue;
        }
        const std::string& entry = entries[pick(entries.size())];
        switch (action) {
        case 2: events.push_back(syncEvent(device, ts, SyncKind::Touched, {entry})); break;
        case 3: events.push_back(syncEvent(device, ts, SyncKind::Pinned, {entry})); break;
        case 4: events.push_back(syncEvent(device, ts, SyncKind::Unpinned, {entry})); break;
        case 5: {
            SyncEvent moved = syncEvent(device, ts, SyncKind::MovedToBlock, {entry});
            if (pick(3) != 0)
                moved.block = blocks[pick(blocks.size())];
            events.push_back(moved);
            break;
        }
        case 6: {
            SyncEvent block = syncEvent(device, ts, SyncKind::BlockSet, {blocks[pick(blocks.size())]});
            block.session = "default";
            block.name = "b" + std::to_string(step);
            events.push_back(block);
            break;
        }
        default: {
            std::vector<std::string> seen = {entry};
            if (pick(3) == 0) // a clear: what the device saw
                seen.push_back(entries[pick(entries.size())]);
            events.push_back(syncEvent(device, ts, SyncKind::Deleted, seen));
        }
        }
    }
    return events;
}

// The heart of sync: however the events arrive, and however often, every device reaches one history.
TEST(SyncMergeTest, AnyOrderAndAnyDuplicatesReachOneHistory)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        const std::vector<SyncEvent> events = randomJournals(random, 120);
        const MergedHistory expected = mergeJournals(events, now);
        for (int trial = 0; trial < 5; ++trial) {
            std::vector<SyncEvent> arrived = events;
            for (size_t i = 0; i < events.size() / 3; ++i)
                arrived.push_back(events[std::uniform_int_distribution<size_t>(0, events.size() - 1)(random)]);
            std::shuffle(arrived.begin(), arrived.end(), random);
            ASSERT_EQ(mergeJournals(arrived, now), expected) << "seed " << seed;
        }
    }
}

// Folds a snapshot's lines into `fold` as a reader would, the lines in the order given.
void foldSnapshot(const std::string& snapshot, const std::string& device, SyncFold& fold)
{
    size_t start = 0;
    for (size_t end = snapshot.find('\n'); end != std::string::npos; end = snapshot.find('\n', start)) {
        ASSERT_TRUE(foldSnapshotLine(std::string_view(snapshot).substr(start, end - start), device, fold, now));
        start = end + 1;
    }
}

// A snapshot stands for the lines it was made from: whatever part of the journals it covers, and
// whatever arrives after it in any order (lines it already holds included), the history is the one
// of the journals themselves. Fault guarded: a stamp lost or changed on the way through a snapshot
// lets an older pin, name or move win, or brings a deleted entry back.
TEST(SyncMergeTest, SnapshotsStandForTheLinesTheyFold)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        std::vector<SyncEvent> events = randomJournals(random, 120);
        const MergedHistory expected = mergeJournals(events, now);
        std::shuffle(events.begin(), events.end(), random);
        const size_t cut = std::uniform_int_distribution<size_t>(0, events.size())(random);
        SyncFold before;
        for (size_t i = 0; i < cut; ++i)
            before.add(events[i], now);
        SyncFold after;
        foldSnapshot(encodeSnapshot(before, deviceC, now, 0), deviceC, after);
        for (size_t i = cut / 2; i < events.size(); ++i)
            after.add(events[i], now);
        ASSERT_EQ(after.merged(), expected) << "seed " << seed;
    }
}

// With a limit, a snapshot keeps what a device with that limit could show: every pinned entry and
// the newest others. Older ones go; deletes stay, so nothing deleted comes back.
TEST(SyncMergeTest, SnapshotsKeepTheNewestAndEveryPinAndDelete)
{
    SyncFold fold;
    std::vector<std::string> ids;
    for (int i = 0; i < 30; ++i) {
        ids.push_back(newUuid());
        fold.add(addedText(deviceA, i, ids.back(), "t" + std::to_string(i)), now);
    }
    fold.add(syncEvent(deviceB, 40, SyncKind::Pinned, {ids[0]}), now);
    fold.add(syncEvent(deviceB, 41, SyncKind::Deleted, {ids[1]}), now);
    fold.add(syncEvent(deviceB, 42, SyncKind::Deleted, {ids[29]}), now);
    SyncFold read;
    foldSnapshot(encodeSnapshot(fold, deviceA, now, 5), deviceA, read);
    const MergedHistory merged = read.merged();
    EXPECT_EQ(entryIds(merged), (std::vector<std::string>{"t28", "t27", "t26", "t25", "t24", "t0"}));
    EXPECT_TRUE(merged.deletedEntries.contains(ids[1]));
    EXPECT_TRUE(merged.deletedEntries.contains(ids[29]));
    // Copied again on a machine that still holds it, an entry left out of the snapshot comes back
    // whole; what the copy says of its pin loses to a pin written anywhere.
    SyncEvent again = addedText(deviceB, 50, ids[5], "t5");
    again.kind = SyncKind::Touched;
    again.pinned = true;
    read.add(again, now);
    read.add(syncEvent(deviceA, 20, SyncKind::Unpinned, {ids[5]}), now);
    EXPECT_EQ(entryIds(read.merged()).front(), "t5");
    EXPECT_FALSE(read.merged().entries.front().pinned);

    // A start makes only what its limit can bring in, and what it holds already.
    const MergedHistory start = fold.merged(5, {ids[2], ids[1]});
    EXPECT_EQ(entryIds(start), (std::vector<std::string>{"t28", "t27", "t26", "t25", "t24", "t2", "t0"}));
    EXPECT_EQ(start.deletedEntries, std::set<std::string>{ids[1]});
    // A delete older than the time deletes are kept is left out.
    SyncFold late;
    foldSnapshot(encodeSnapshot(fold, deviceA, 50 + deleteKeptSeconds, 5), deviceA, late);
    EXPECT_TRUE(late.merged().deletedEntries.empty());
}

// Snapshot lines are read as untrusted as journal lines: each of these costs only itself.
TEST(SyncMergeTest, DamagedSnapshotLinesAreSkipped)
{
    SyncFold fold;
    const std::string x = newUuid();
    fold.add(addedText(deviceA, 10, x, "x"), now);
    std::string snapshot = encodeSnapshot(fold, deviceA, now, 0);
    snapshot.pop_back();
    const std::string stamp = R"([1,10,"aaaaaaaa00004000","00000000"])";
    const std::vector<std::pair<const char*, std::string>> lines = {
        {"written by another device", snapshot},
        {"not JSON", "{broken"},
        {"an id that is a path", R"({"d":")" + deviceA + R"(","s":"entry","id":"../../x","ts":1})"},
        {"a picture outside its folder", R"({"d":")" + deviceA + R"(","s":"entry","id":")" + x +
                                             R"(","ts":1,"c":{"text":"","image":true,"pic":"../secret","at":)" +
                                             stamp + "}}"},
        {"a stamp of the wrong form", R"({"d":")" + deviceA + R"(","s":"entry","id":")" + x +
                                          R"(","ts":1,"pin":[true,[1,1,"zz","00000000"]]})"},
        {"an unknown record", R"({"d":")" + deviceA + R"(","s":"everything"})"},
    };
    for (const auto& [name, line] : lines)
        EXPECT_FALSE(foldSnapshotLine(line, deviceB, fold, now)) << name;
    // A line dated far ahead waits for the clock, as a journal line does.
    const std::string ahead = R"({"d":")" + deviceB + R"(","s":"entry","id":")" + x +
                              R"(","ts":1,"pin":[true,[1,1e10,"bbbbbbbb00004000","00000000"]]})";
    EXPECT_TRUE(foldSnapshotLine(ahead, deviceB, fold, now));
    EXPECT_EQ(fold.heldBack(), 1u);
    EXPECT_FALSE(fold.merged().entries.at(0).pinned);
    fold.release(1e10);
    EXPECT_TRUE(fold.merged().entries.at(0).pinned);
}

} // namespace
} // namespace brimble
