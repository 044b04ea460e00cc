// Load and save of the history file at its two typical sizes: the largest history the limit
// allows with long texts (500 entries of 50,000 characters, about 25 MB) and a default-size
// history of short texts. Saves are measured with the encoded entries cached from the previous
// save (the usual case: one entry changed), with one entry changed, and with nothing cached.
// Long texts come in two kinds: source code, whose JSON needs escapes, and prose, which needs none.

#include <benchmark/benchmark.h>
#include <glib.h>
#include <malloc.h>

#include <filesystem>
#include <memory>

#include "history/AppSupport.h"
#include "common/AtomicFile.h"
#include "history/ClipCodec.h"
#include "history/ClipboardStore.h"
#include "common/Uuid.h"
#include "platform/fake/FakePlatform.h"

namespace brimble {
namespace {

// A folder under the system's temporary folder, removed at the end.
class BenchDir {
public:
    BenchDir()
    {
        g_autofree char* made = g_dir_make_tmp("brimble-bench-XXXXXX", nullptr);
        path_ = made ? made : "";
    }
    ~BenchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

enum class TextKind : int64_t { Code, Prose };

// Text like pasted source code: lines of 80 characters with the odd quote and tab to escape.
std::string codeText(size_t length, int seed)
{
    std::string text;
    text.reserve(length);
    for (size_t i = 0; text.size() < length; ++i) {
        if (i % 81 == 80)
            text += '\n';
        else if (i % 997 == 0)
            text += '"';
        else if (i % 1499 == 0)
            text += '\t';
        else
            text += static_cast<char>('a' + (i * 7 + static_cast<size_t>(seed)) % 26);
    }
    return text;
}

// One long paragraph, as copied from a web page: nothing in it needs a JSON escape.
std::string proseText(size_t length, int seed)
{
    std::string text = "entry " + std::to_string(seed) + " ";
    while (text.size() < length)
        text += "lorem ipsum dolor sit amet ";
    text.resize(length);
    return text;
}

std::string sampleText(size_t length, int seed, TextKind kind)
{
    return kind == TextKind::Prose ? proseText(length, seed) : codeText(length, seed);
}

std::vector<Clip> sampleHistory(int count, size_t textLength, TextKind kind)
{
    std::vector<Clip> clips;
    const std::string session = newUuid();
    for (int i = 0; i < count; ++i) {
        Clip& clip = clips.emplace_back();
        clip.id = newUuid();
        clip.ts = 1760000000.123 + i;
        clip.text = sampleText(textLength, i, kind);
        clip.pinned = i % 50 == 0;
        clip.sessionId = session;
    }
    return clips;
}

struct Fixture {
    explicit Fixture(const benchmark::State& state)
    {
        const std::vector<Clip> clips = pinnedFirst(sampleHistory(
            static_cast<int>(state.range(0)), static_cast<size_t>(state.range(1)), TextKind{state.range(2)}));
        std::filesystem::create_directories(AppSupport::directory(dir.path()));
        writeFileAtomically(AppSupport::historyFile(dir.path()), encodeClips(clips).value(), 0600);
    }
    BenchDir dir;
    FakeLog log;
    FakeDefaults defaults{log};
};

void setBytes(benchmark::State& state, const std::filesystem::path& file)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations())
                            * static_cast<int64_t>(std::filesystem::file_size(file)));
}

void BM_Load(benchmark::State& state)
{
    Fixture fixture(state);
    for (auto _ : state) {
        ClipboardStore store(fixture.dir.path(), fixture.defaults);
        benchmark::DoNotOptimize(store.items.data());
    }
    setBytes(state, AppSupport::historyFile(fixture.dir.path()));
}

void BM_Decode(benchmark::State& state)
{
    Fixture fixture(state);
    const std::string bytes = readWholeFile(AppSupport::historyFile(fixture.dir.path())).value();
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeClips(bytes));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_Encode(benchmark::State& state)
{
    const std::vector<Clip> clips =
        sampleHistory(static_cast<int>(state.range(0)), static_cast<size_t>(state.range(1)), TextKind{state.range(2)});
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeClips(clips));
}

// Nothing changed since the last save: every entry comes from the cache.
void BM_SaveWarm(benchmark::State& state)
{
    Fixture fixture(state);
    ClipboardStore store(fixture.dir.path(), fixture.defaults);
    store.save();
    for (auto _ : state)
        store.save();
    setBytes(state, AppSupport::historyFile(fixture.dir.path()));
}

// The usual save after a copy: one entry moved to the front with a new time.
void BM_SaveOneChanged(benchmark::State& state)
{
    Fixture fixture(state);
    ClipboardStore store(fixture.dir.path(), fixture.defaults);
    store.save();
    double now = 1770000000;
    for (auto _ : state)
        store.touch(store.items.back().id, now += 1);
    setBytes(state, AppSupport::historyFile(fixture.dir.path()));
}

// Every entry changed: as at the first save after start.
void BM_SaveCold(benchmark::State& state)
{
    Fixture fixture(state);
    ClipboardStore store(fixture.dir.path(), fixture.defaults);
    store.save();
    for (auto _ : state) {
        for (Clip& clip : store.items)
            clip.ts += 1;
        store.save();
    }
    setBytes(state, AppSupport::historyFile(fixture.dir.path()));
}

// The floor under every save: the durable replace of a file of the same size.
void BM_DurableWriteOnly(benchmark::State& state)
{
    Fixture fixture(state);
    const auto file = AppSupport::historyFile(fixture.dir.path());
    const std::string bytes = readWholeFile(file).value();
    for (auto _ : state)
        writeFileAtomically(file, bytes, 0600);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

// What the allocator has handed out and not yet got back, in bytes.
size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// What a loaded store keeps after the save that follows a copy: the entries, their texts and
// the save's cache. Each text held once is the floor ("textBytes").
void BM_StoreResidentBytes(benchmark::State& state)
{
    Fixture fixture(state);
    size_t held = 0;
    size_t texts = 0;
    for (auto _ : state) {
        const size_t before = heapInUse();
        auto store = std::make_unique<ClipboardStore>(fixture.dir.path(), fixture.defaults);
        store->touch(store->items.back().id, 1770000000);
        held = heapInUse() - before;
        texts = 0;
        for (const Clip& clip : store->items)
            texts += clip.text.size();
    }
    state.counters["storeHeapBytes"] = static_cast<double>(held);
    state.counters["textBytes"] = static_cast<double>(texts);
}

// {entries, characters per text, TextKind}
void sizes(benchmark::internal::Benchmark* bench)
{
    const auto code = static_cast<int64_t>(TextKind::Code);
    const auto prose = static_cast<int64_t>(TextKind::Prose);
    bench->Args({500, 50000, code})->Args({500, 50000, prose})->Args({50, 40, code})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Load)->Apply(sizes);
BENCHMARK(BM_Decode)->Apply(sizes);
BENCHMARK(BM_Encode)->Apply(sizes);
BENCHMARK(BM_DurableWriteOnly)->Apply(sizes);
BENCHMARK(BM_SaveWarm)->Apply(sizes);
BENCHMARK(BM_SaveOneChanged)->Apply(sizes);
BENCHMARK(BM_SaveCold)->Apply(sizes);
BENCHMARK(BM_StoreResidentBytes)->Apply(sizes)->Iterations(3);

} // namespace
} // namespace brimble
