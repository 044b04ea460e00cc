// The snapshot sent to the page after every change: payloadJSON plus the Base64 script, for a
// typical session of short texts and for the largest one the history limit allows.

#include <filesystem>

#include <benchmark/benchmark.h>
#include <glib.h>

#include "bridge/Payload.h"
#include "history/ClipboardStore.h"
#include "platform/fake/FakePlatform.h"

namespace {

using namespace brimble;

// A store over an empty temporary folder; the benchmark never saves, so nothing is written.
class PayloadState {
public:
    PayloadState(int entries, size_t textLength)
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
        for (int n = 0; n < entries; ++n) {
            Clip clip;
            clip.id = "0A1B2C3D-0000-4000-8000-" + std::to_string(100000000000 + n);
            clip.ts = 1'760'000'000.123 + n;
            clip.text = text;
            clip.pinned = n < 3;
            clip.sessionId = "S1";
            if (n % 5 == 0)
                clip.blockId = "K1";
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

private:
    std::filesystem::path folder_;
    FakeLog log_;
    FakeDefaults defaults_{log_};
    std::optional<ClipboardStore> store_;
    PayloadSettings settings_;
    std::vector<Session> sessions_;
    std::vector<Block> blocks_;
};

void runPush(benchmark::State& state, int entries, size_t textLength)
{
    const PayloadState payload(entries, textLength);
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

} // namespace

BENCHMARK(BM_Push50ShortEntries)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Push500LongEntries)->Unit(benchmark::kMillisecond);
