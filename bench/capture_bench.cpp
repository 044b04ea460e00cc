// One capture tick against a full history, and the picture encode that a large copy costs.
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <glib.h>

#include "bench/ScratchFolder.h"
#include "history/Capture.h"
#include "history/ClipboardStore.h"
#include "history/ImageFiles.h"
#include "common/UnicodeText.h"
#include "platform/fake/FakePlatform.h"

namespace brimble {
namespace {

constexpr size_t textLength = 50000;
constexpr int unpinnedEntries = 500;
constexpr int pinnedEntries = 20;
const std::string session = "BENCH-SESSION";

// Lines, whose breaks the history file escapes, or one paragraph, which it keeps as it is.
enum class TextKind : int64_t { Lines, Paragraph };

// Prose-like ASCII that differs from every other text from its first bytes on.
std::string makeText(uint64_t seed, TextKind kind = TextKind::Lines)
{
    std::mt19937_64 random(seed);
    std::string text = "entry " + std::to_string(seed) + " ";
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz      \n";
    // The paragraph leaves out the line break at the end of the letters.
    const size_t choices = sizeof letters - (kind == TextKind::Paragraph ? 2 : 1);
    while (text.size() < textLength)
        text.push_back(letters[random() % choices]);
    return text;
}

// A full history (20 pinned, 500 unpinned texts of 50,000 characters), saved once.
struct FullHistory {
    ScratchFolder folder;
    FakePlatform fake;
    std::unique_ptr<ClipboardStore> store;
    int64_t clipLastChange = 0;
    LastCapture lastCapture;
    uint64_t nextSeed = 1'000'000;
    TextKind kind;
    CaptureServices services{fake.pasteboard, fake.frontmost, *fake.codec, fake.defaults, fake.clock};

    explicit FullHistory(TextKind kind = TextKind::Lines)
        : kind(kind)
    {
        fake.defaults.setRaw("historyLimit", int64_t{500});
        store = std::make_unique<ClipboardStore>(folder.path(), fake.defaults);
        for (int i = 0; i < pinnedEntries + unpinnedEntries; ++i) {
            Clip clip;
            clip.id = "ID-" + std::to_string(i);
            clip.ts = 1'700'000'000 + i;
            clip.text = makeText(static_cast<uint64_t>(i), kind);
            clip.pinned = i < pinnedEntries;
            clip.sessionId = session;
            store->items.push_back(std::move(clip));
        }
        store->save();
        clipLastChange = fake.pasteboard.count;
    }
    PushNeeded tick()
    {
        return pollPasteboard(services, *store, clipLastChange, lastCapture, [] { return session; });
    }
};

// A new text: de-duplication finds nothing, the oldest unpinned entry goes, the file is saved.
void BM_CaptureTickNewText(benchmark::State& state)
{
    FullHistory history(TextKind{state.range(0)});
    for (auto _ : state) {
        state.PauseTiming();
        history.fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, makeText(history.nextSeed++, history.kind));
        state.ResumeTiming();
        benchmark::DoNotOptimize(history.tick());
    }
}
BENCHMARK(BM_CaptureTickNewText)
    ->Arg(static_cast<int64_t>(TextKind::Lines))
    ->Arg(static_cast<int64_t>(TextKind::Paragraph))
    ->Unit(benchmark::kMillisecond);

// The text of the oldest unpinned entry again: found at the end and moved to the front.
void BM_CaptureTickRecopy(benchmark::State& state)
{
    FullHistory history;
    for (auto _ : state) {
        state.PauseTiming();
        history.fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, history.store->items.back().text);
        state.ResumeTiming();
        benchmark::DoNotOptimize(history.tick());
    }
}
BENCHMARK(BM_CaptureTickRecopy)->Unit(benchmark::kMillisecond);

// The parts of a tick, one at a time.
void BM_TickPartDeduplicate(benchmark::State& state)
{
    FullHistory history;
    const std::string text = makeText(history.nextSeed);
    for (auto _ : state) {
        const CanonicalMatcher same(text);
        size_t found = 0;
        for (const Clip& clip : history.store->items)
            found += clip.sessionId == session && same.matches(clip.text);
        benchmark::DoNotOptimize(found);
    }
}
BENCHMARK(BM_TickPartDeduplicate)->Unit(benchmark::kMillisecond);

void BM_TickPartLengthCheck(benchmark::State& state)
{
    const std::string text = makeText(7) + makeText(8);
    for (auto _ : state)
        benchmark::DoNotOptimize(graphemeCount(text));
}
BENCHMARK(BM_TickPartLengthCheck)->Unit(benchmark::kMillisecond);

void BM_TickPartHistoryLimit(benchmark::State& state)
{
    FullHistory history;
    for (auto _ : state) {
        history.store->items = pinnedFirst(std::move(history.store->items));
        history.store->applyHistoryLimit();
    }
}
BENCHMARK(BM_TickPartHistoryLimit)->Unit(benchmark::kMillisecond);

void BM_TickPartPruneImages(benchmark::State& state)
{
    FullHistory history;
    for (auto _ : state)
        history.store->pruneImages();
}
BENCHMARK(BM_TickPartPruneImages)->Unit(benchmark::kMillisecond);

// Saving after one entry changed, as after a capture.
void BM_TickPartSave(benchmark::State& state)
{
    FullHistory history(TextKind{state.range(0)});
    double ts = 1'800'000'000;
    for (auto _ : state) {
        history.store->items.front().ts = ts++;
        history.store->save();
    }
}
BENCHMARK(BM_TickPartSave)
    ->Arg(static_cast<int64_t>(TextKind::Lines))
    ->Arg(static_cast<int64_t>(TextKind::Paragraph))
    ->Unit(benchmark::kMillisecond);

Bytes largePicture(int variant = 0)
{
    g_autoptr(GdkPixbuf) pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 4000, 3000);
    // A gradient, so the encoders see something closer to a screenshot than one flat colour.
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    for (int y = 0; y < 3000; ++y)
        for (int x = 0; x < 4000; ++x) {
            guchar* p = pixels + y * stride + x * 4;
            p[0] = static_cast<guchar>(x);
            p[1] = static_cast<guchar>(y);
            p[2] = static_cast<guchar>((x ^ y) + variant);
            p[3] = 255;
        }
    gchar* buffer = nullptr;
    gsize size = 0;
    gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &size, "png", nullptr, "compression", "1", nullptr);
    Bytes bytes(reinterpret_cast<uint8_t*>(buffer), reinterpret_cast<uint8_t*>(buffer) + size);
    g_free(buffer);
    return bytes;
}

// Scaling a 4000 × 3000 picture to 1200 × 900 and encoding it.
void BM_EncodeLargePicture(benchmark::State& state)
{
    FakePlatform fake;
    const auto picture = fake.codec->decode(largePicture(), "image/png");
    const auto format = state.range(0) ? ImageFormat::Jpeg : ImageFormat::Png;
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeImage(*fake.codec, *picture, format, maxImageSide));
    state.SetLabel(state.range(0) ? "jpeg" : "png");
}
BENCHMARK(BM_EncodeLargePicture)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Making the platform picture from the clipboard's 4000 × 3000 PNG.
void BM_DecodeLargePicture(benchmark::State& state)
{
    FakePlatform fake;
    const Bytes bytes = largePicture();
    for (auto _ : state)
        benchmark::DoNotOptimize(fake.codec->decode(bytes, "image/png"));
}
BENCHMARK(BM_DecodeLargePicture)->Unit(benchmark::kMillisecond);

// A whole picture tick: decoding the clipboard's PNG, encoding, hashing, writing, saving.
constexpr int pictureTicks = 4;

void BM_CaptureTickLargePicture(benchmark::State& state)
{
    FullHistory history;
    // Different pictures, so that every tick writes a new file.
    std::vector<Bytes> pictures;
    for (int i = 0; i < pictureTicks; ++i)
        pictures.push_back(largePicture(i + 1));
    size_t next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        history.fake.pasteboard.simulateCopy({"public.png"}, std::nullopt, pictures[next++ % pictures.size()]);
        state.ResumeTiming();
        benchmark::DoNotOptimize(history.tick());
    }
}
BENCHMARK(BM_CaptureTickLargePicture)->Iterations(pictureTicks)->Unit(benchmark::kMillisecond);

// The same 4000 × 3000 PNG announced again by its owner: found by the digest of its bytes and
// moved to the front, without decoding, scaling or encoding it again.
void BM_CaptureTickPictureAnnouncedAgain(benchmark::State& state)
{
    FullHistory history;
    LastPicture lastPicture;
    history.services.lastPicture = &lastPicture;
    const Bytes picture = largePicture(1);
    history.fake.pasteboard.simulateCopy({"public.png"}, std::nullopt, picture);
    history.tick();
    for (auto _ : state) {
        state.PauseTiming();
        history.fake.pasteboard.simulateCopy({"public.png"}, std::nullopt, picture);
        state.ResumeTiming();
        benchmark::DoNotOptimize(history.tick());
    }
}
BENCHMARK(BM_CaptureTickPictureAnnouncedAgain)->Iterations(pictureTicks)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace brimble
