// The snapshot sent to the page after every change: payloadJSON plus the Base64 script, for a
// typical session of short texts and for the largest one the history limit allows.

#include <filesystem>

#include <benchmark/benchmark.h>
#include <glib.h>

#include "bridge/FilePresence.h"
#include "bridge/Payload.h"
#include "history/ClipboardStore.h"
#include "platform/fake/FakePlatform.h"

namespace {

using namespace brimble;

// A store over an empty temporary folder; the benchmark never saves, so nothing is written.
class PayloadState {
public:
    // With `files`, each entry is a copy of that many files in the folder (every other one
    // deleted since), whose presence each snapshot looks at.
    PayloadState(int entries, size_t textLength, int files = 0)
    {
        g_autofree char* made = g_dir_make_tmp("brimble-bench-XXXXXX", nullptr);
        folder_ = made ? made : "";
        store_.emplace(folder_, defaults_);
        std::string text;
        text.reserve(textLength);
        // Mixed text: letters, quotes, a backslash, line breaks and non-ASCII, as copied text is.
        const std::string pattern = "Lorem ipsum \"dolor\" sit \\ amet,\nconsectetur \u00e9l\u00eft \U0001F600 ";
        while (text.size() < textLength)
            text += pattern;
        text.resize(textLength);
        if (files > 0)
            text.clear();
        for (int n = 0; n < files; ++n) {
            const std::filesystem::path file = folder_ / ("copied file " + std::to_string(n) + ".txt");
            if (n % 2 == 0)
                g_file_set_contents(file.c_str(), "x", 1, nullptr);
            text += (n ? "\n" : "") + file.string();
        }
        for (int n = 0; n < entries; ++n) {
            Clip clip;
            clip.id = "0A1B2C3D-0000-4000-8000-" + std::to_string(100000000000 + n);
            clip.ts = 1'760'000'000.123 + n;
            clip.text = text;
            clip.pinned = n < 3;
            clip.sessionId = "S1";
            if (n % 5 == 0)
                clip.blockId = "K1";
            if (files > 0)
                clip.formats = {{"text/uri-list", std::string(64, 'a')}};
            store_->items.push_back(clip);
        }
        settings_.activeSessionId = "S1";
        settings_.excluded = {"org.gnome.Terminal", "org.keepassxc.KeePassXC"};
        sessions_ = {{"S1", "Work", 1.5}, {"S2", "Home", 2.5}};
        blocks_ = {{"K1", "Links", "rose", false, "S1", 0}, {"K2", "Misc", "sky", false, "S2", 0}};
    }

    ~PayloadState()
    {
        store_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    // What a push builds: the snapshot the page fetches.
    std::string snapshot() const { return payloadJSON(*store_, settings_, sessions_, blocks_); }

    // Has the snapshot take the copied files' presence from `presence`, as the program does.
    void lookThrough(FilePresence& presence)
    {
        settings_.fileMissing = [&presence](const std::string& path) { return presence.isMissing(path); };
    }

private:
    std::filesystem::path folder_;
    FakeLog log_;
    FakeDefaults defaults_{log_};
    std::optional<ClipboardStore> store_;
    PayloadSettings settings_;
    std::vector<Session> sessions_;
    std::vector<Block> blocks_;
};

void runPush(benchmark::State& state, int entries, size_t textLength, int files = 0, bool lookedAtAside = false)
{
    PayloadState payload(entries, textLength, files);
    FilePresence presence({}, 3600);
    if (lookedAtAside) {
        payload.lookThrough(presence);
        // The first snapshot asks; the answers come in while the main loop turns.
        (void)payload.snapshot();
        const gint64 until = g_get_monotonic_time() + 2 * G_USEC_PER_SEC;
        while (g_get_monotonic_time() < until)
            g_main_context_iteration(nullptr, FALSE);
    }
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string snapshot = payload.snapshot();
        bytes = snapshot.size();
        benchmark::DoNotOptimize(snapshot.data());
    }
    state.counters["snapshotBytes"] = static_cast<double>(bytes);
}

void BM_Push50ShortEntries(benchmark::State& state)
{
    runPush(state, 50, 80);
}

void BM_Push500LongEntries(benchmark::State& state)
{
    runPush(state, 500, 50'000);
}

// The history limit's worth of copies of files, each showing its first 20 files: 10,000
// presence checks a snapshot, half of them finding nothing.
void BM_Push500CopiedFilesEntries(benchmark::State& state)
{
    runPush(state, 500, 0, 20);
}

// The same once the presence of every file is known: looked at off the main loop, so a
// snapshot makes no file system call.
void BM_Push500CopiedFilesEntriesLookedAtAside(benchmark::State& state)
{
    runPush(state, 500, 0, 20, true);
}

} // namespace

BENCHMARK(BM_Push50ShortEntries)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Push500CopiedFilesEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Push500CopiedFilesEntriesLookedAtAside)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Push500LongEntries)->Unit(benchmark::kMillisecond);
