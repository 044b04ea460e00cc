// Sync's costs: the merge of ten devices' journals at start, a capture with sync on against one
// with it off, and how large the shared folder grows over many copies.
#include <malloc.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <glib.h>

#include "bench/ScratchFolder.h"
#include "common/Uuid.h"
#include "history/ClipboardStore.h"
#include "platform/fake/FakePlatform.h"
#include "sessions/SessionStore.h"
#include "sync/JournalReader.h"
#include "sync/JournalWriter.h"
#include "sync/Sync.h"
#include "sync/SyncFold.h"
#include "sync/SyncMerge.h"

namespace brimble {
namespace {

std::string sampleText(int number)
{
    return "copied text number " + std::to_string(number) + ": a line of about a hundred characters, as most copies are.";
}

// Ten devices, 5,000 journal lines each: adds with a pin, a move or a delete now and then.
void writeJournals(const std::filesystem::path& folder)
{
    for (int device = 0; device < 10; ++device) {
        const std::string id = newUuid();
        JournalWriter writer(folder, id);
        std::vector<SyncEvent> events;
        std::vector<std::string> entries;
        for (int line = 0; line < 5000; ++line) {
            SyncEvent event;
            event.eventId = newUuid();
            event.device = id;
            event.ts = 1.76e9 + line;
            if (line % 5 == 4 && !entries.empty()) {
                event.kind = line % 10 == 4 ? SyncKind::Pinned : SyncKind::Deleted;
                event.ids = {entries[static_cast<size_t>(line) % entries.size()]};
            } else {
                event.kind = SyncKind::Added;
                entries.push_back(newUuid());
                event.ids = {entries.back()};
                event.text = sampleText(line);
                event.session = "default";
            }
            events.push_back(std::move(event));
        }
        writer.append(events);
    }
}

size_t heapInUse()
{
    return mallinfo2().uordblks;
}

void BM_MergeTenDevicesAtStart(benchmark::State& state)
{
    ScratchFolder folder;
    writeJournals(folder.path());
    double heldMiB = 0;
    double foldMiB = 0;
    for (auto _ : state) {
        const size_t before = heapInUse();
        SyncFold fold;
        JournalReader(folder.path()).readInto(fold, 1.8e9);
        foldMiB = static_cast<double>(heapInUse() - before) / (1024 * 1024);
        // What a start with the largest history limit brings in.
        MergedHistory merged = fold.merged(500);
        heldMiB = static_cast<double>(heapInUse() - before) / (1024 * 1024);
        benchmark::DoNotOptimize(merged.entries.size());
    }
    // The fold is kept while sync runs; the merged history only while it is applied.
    state.counters["extraMiB"] = heldMiB;
    state.counters["foldMiB"] = foldMiB;
}
BENCHMARK(BM_MergeTenDevicesAtStart)->Unit(benchmark::kMillisecond);

// One machine with a full default history; `withSync` journals each copy.
struct Machine {
    Machine(const std::filesystem::path& shared, bool withSync)
        : clips(home.path(), fake.defaults)
        , sessions(home.path())
    {
        sessions.ensureDefaultSession(clips, 1);
        scope.device = newUuid();
        scope.defaultSessionId = sessions.sessions.front().id;
        if (withSync) {
            sync = std::make_unique<Sync>(shared, scope.device);
            clips.limitedOut = [this](const std::string& id) { sync->limitedOut(id); };
            sync->readIncoming(clips, sessions, scope, now, 50);
        }
    }
    void copy(int number)
    {
        now += step;
        clips.addText(sampleText(number), now, scope.defaultSessionId);
        if (sync)
            sync->recordLocal(clips, sessions, scope, now);
    }
    // A picture of about 16 KB, different for each number.
    void copyPicture(int number)
    {
        now += step;
        std::vector<uint8_t> bytes(16 * 1024, static_cast<uint8_t>(number));
        for (size_t i = 0; i < sizeof number; ++i)
            bytes[i] = static_cast<uint8_t>(number >> (8 * i));
        clips.addImage(bytes, "png", "PNG · 64×64", now, scope.defaultSessionId);
        if (sync)
            sync->recordLocal(clips, sessions, scope, now);
    }

    ScratchFolder home;
    FakePlatform fake;
    ClipboardStore clips;
    SessionStore sessions;
    SyncScope scope;
    std::unique_ptr<Sync> sync;
    double now = 1.76e9;
    double step = 1; // seconds between two copies
};

void BM_CaptureWithSync(benchmark::State& state)
{
    ScratchFolder shared;
    Machine machine(shared.path(), state.range(0) != 0);
    int number = 0;
    for (int i = 0; i < 60; ++i)
        machine.copy(number++);
    for (auto _ : state)
        machine.copy(number++);
}
BENCHMARK(BM_CaptureWithSync)->Arg(0)->Arg(1)->ArgName("syncOn")->Unit(benchmark::kMicrosecond);

// 10,000 copies on two machines, every tenth a picture (1,000 in all, 16 KB each),
// each machine reading the other every 100 copies.
void BM_SharedFolderAfterTenThousandCopies(benchmark::State& state)
{
    for (auto _ : state) {
        ScratchFolder shared;
        Machine a(shared.path(), true);
        Machine b(shared.path(), true);
        // A copy every 10 s on each: the pictures' grace period passes many times over.
        a.step = b.step = 10;
        for (int i = 0; i < 10000; ++i) {
            Machine& machine = i % 2 ? a : b;
            if (i % 10 == 5 - (i / 10) % 2)
                machine.copyPicture(i);
            else
                machine.copy(i);
            if (i % 100 == 99) {
                a.sync->readIncoming(a.clips, a.sessions, a.scope, a.now, 50);
                b.sync->readIncoming(b.clips, b.sessions, b.scope, b.now, 50);
            }
        }
        uint64_t bytes = 0;
        size_t files = 0;
        size_t pictures = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(shared.path()))
            if (entry.is_regular_file()) {
                bytes += entry.file_size();
                ++files;
                pictures += entry.path().parent_path().filename() == "pictures";
            }
        state.counters["folderMiB"] = static_cast<double>(bytes) / (1024 * 1024);
        state.counters["files"] = static_cast<double>(files);
        state.counters["pictures"] = static_cast<double>(pictures);
    }
}
BENCHMARK(BM_SharedFolderAfterTenThousandCopies)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
} // namespace brimble
