// What keeping formats costs: a formatted copy's capture tick beside a plain copy of the same
// text in the same run, an office program's copy of 4 MB under 30 types beside its text alone,
// and the data folder after 500 formatted copies against the bytes kept.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include <benchmark/benchmark.h>
#include <glib.h>

#include "bench/ScratchFolder.h"
#include "history/Capture.h"
#include "history/ClipboardStore.h"
#include "platform/KeptFormats.h"
#include "platform/fake/FakePlatform.h"

namespace brimble {
namespace {

constexpr size_t htmlBytes = 100 * 1024;
constexpr int copies = 500;
const std::string session = "BENCH-SESSION";

// A paragraph's text and its HTML of about 100 KB, different for every seed.
std::pair<std::string, std::string> makeCopy(uint64_t seed)
{
    std::mt19937_64 random(seed);
    std::string text = "copy " + std::to_string(seed) + " ";
    std::string html = "<meta charset='utf-8'><p>" + text;
    while (html.size() < htmlBytes) {
        const char letter = static_cast<char>('a' + random() % 26);
        text.push_back(letter);
        // Markup on every other letter keeps the text within the 50,000 characters capture takes.
        html += (random() % 2 == 0) ? std::string("<b>") + letter + "</b>" : std::string(1, letter);
    }
    return {text, html + "</p>"};
}

uint64_t folderBytes(const std::filesystem::path& folder)
{
    uint64_t sum = 0;
    std::error_code error;
    for (auto entry = std::filesystem::recursive_directory_iterator(folder, error);
         !error && entry != std::filesystem::recursive_directory_iterator(); entry.increment(error)) {
        std::error_code ignored;
        if (entry->is_regular_file(ignored))
            sum += entry->file_size(ignored);
    }
    return sum;
}

struct History {
    ScratchFolder folder;
    FakePlatform fake;
    std::unique_ptr<ClipboardStore> store;
    int64_t clipLastChange = 0;
    LastCapture lastCapture;
    CaptureServices services{fake.pasteboard, fake.frontmost, *fake.codec, fake.defaults, fake.clock};

    History()
    {
        fake.defaults.setRaw("historyLimit", int64_t{copies});
        store = std::make_unique<ClipboardStore>(folder.path(), fake.defaults);
        clipLastChange = fake.pasteboard.count;
    }
    void copy(uint64_t seed, bool formatted)
    {
        auto [text, html] = makeCopy(seed);
        fake.pasteboard.simulateCopy({"public.utf8-plain-text", "text/html"}, std::move(text));
        if (formatted)
            fake.pasteboard.currentFormats = {{"text/html", std::move(html)}};
    }
    void tick()
    {
        pollPasteboard(services, *store, clipLastChange, lastCapture, [] { return session; });
    }
};

// Arg 0: the text alone; 1: the same text with its 100 KB of HTML. The p50 of each is compared.
void BM_CaptureFormattedCopy(benchmark::State& state)
{
    History history;
    // A history that is not empty, as a user's is.
    for (uint64_t seed = 0; seed < 100; ++seed) {
        history.copy(seed, state.range(0) == 1);
        history.tick();
    }
    uint64_t seed = 1'000'000;
    for (auto _ : state) {
        state.PauseTiming();
        history.store->syncFormatFiles();
        history.copy(seed++, state.range(0) == 1);
        state.ResumeTiming();
        history.tick();
    }
}
BENCHMARK(BM_CaptureFormattedCopy)->Arg(0)->Arg(1)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

// An office program's copy: a 40 KB text, 2 MB each of HTML and RTF, and 30 types in all, most
// of them private formats that render, export or link when asked for.
struct OfficeCopy {
    std::string text;
    std::vector<std::pair<std::string, std::string>> offered; // type, bytes
};

OfficeCopy makeOfficeCopy(uint64_t seed)
{
    constexpr size_t textBytes = 40 * 1024;
    constexpr size_t formattedBytes = 2 * 1024 * 1024;
    std::mt19937_64 random(seed);
    OfficeCopy copy;
    copy.text = "office copy " + std::to_string(seed) + " ";
    while (copy.text.size() < textBytes)
        copy.text.push_back(static_cast<char>('a' + random() % 26));
    std::string html = "<meta charset='utf-8'><table><tr><td>" + copy.text;
    std::string rtf = "{\\rtf1\\ansi " + copy.text;
    while (html.size() < formattedBytes)
        html += "</td><td style='color:#" + std::to_string(random() % 1000000) + "'>cell";
    while (rtf.size() < formattedBytes)
        rtf += "\\cell\\cf" + std::to_string(random() % 100) + " cell";
    for (const char* type : {"UTF8_STRING", "text/plain;charset=utf-8", "STRING", "TEXT"})
        copy.offered.emplace_back(type, copy.text);
    copy.offered.emplace_back("text/html", html + "</td></tr></table>");
    copy.offered.emplace_back("text/rtf", rtf + "}");
    for (const char* type : {"application/x-openoffice-embed-source-xml;windows_formatname=\"Star Embed Source (XML)\"",
                             "application/x-openoffice-link;windows_formatname=\"Link\"",
                             "application/x-openoffice-objectdescriptor-xml", "application/x-libreoffice-tsvc",
                             "image/png", "image/bmp", "image/svg+xml", "image/x-emf", "image/x-wmf",
                             "application/pdf", "text/csv", "application/x-qt-image"})
        copy.offered.emplace_back(type, std::string(64, 'p'));
    for (int index = 0; copy.offered.size() < 30; ++index)
        copy.offered.emplace_back("application/x-office-private-" + std::to_string(index), std::string(64, 'p'));
    return copy;
}

// Arg 0: the office copy's text alone; 1: the whole copy, its formats read by the allow-list
// both platforms use. The p50 of each is compared; the counters say what was asked.
void BM_CaptureOfficeCopy(benchmark::State& state)
{
    const bool whole = state.range(0) == 1;
    History history;
    uint64_t seed = 2'000'000;
    size_t asked = 0;
    size_t askedOutside = 0;
    std::vector<double> syncMs;
    for (auto _ : state) {
        state.PauseTiming();
        OfficeCopy copy = makeOfficeCopy(seed++);
        std::vector<std::string> types;
        for (const auto& [type, bytes] : copy.offered)
            types.push_back(type);
        state.ResumeTiming();
        if (!whole)
            history.fake.pasteboard.simulateCopy({"public.utf8-plain-text"}, copy.text);
        else
            history.fake.pasteboard.simulateCopy({"public.utf8-plain-text", "text/html"}, copy.text);
        if (whole) {
            // What the owner is asked for, and the bytes it answers, as a read does.
            std::vector<ExtraFormat> formats;
            const std::vector<KeptFormats::Read> reads = KeptFormats::formatsToRead(types);
            for (const KeptFormats::Read& read : reads) {
                const auto answer = std::find_if(copy.offered.begin(), copy.offered.end(),
                                                 [&](const auto& offer) { return offer.first == read.offered; });
                if (auto bytes = KeptFormats::normalised(read.offered, read.keptAs, answer->second))
                    formats.push_back({read.keptAs, std::move(*bytes)});
                askedOutside += KeptFormats::isKept(read.keptAs) ? 0 : 1;
            }
            asked = reads.size();
            history.fake.pasteboard.currentFormats = std::move(formats);
        }
        history.tick();
        // The format files reach the disk after the entry is saved, as the program does once
        // the tick is over: timed apart.
        state.PauseTiming();
        const gint64 syncStarted = g_get_monotonic_time();
        history.store->syncFormatFiles();
        syncMs.push_back(static_cast<double>(g_get_monotonic_time() - syncStarted) / 1000.0);
        state.ResumeTiming();
    }
    std::sort(syncMs.begin(), syncMs.end());
    state.counters["formats_sync_ms_p50"] = syncMs[syncMs.size() / 2];
    state.counters["offered_types"] = 30;
    state.counters["formats_asked"] = static_cast<double>(asked);
    state.counters["asked_outside_list"] = static_cast<double>(askedOutside);
}
BENCHMARK(BM_CaptureOfficeCopy)->Arg(0)->Arg(1)->Iterations(20)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);

// The data folder after 500 formatted copies (each HTML twice, as an owner announcing a copy
// again does) against the bytes kept: texts, HTML once each, and the history file's own JSON.
void BM_FolderAfterFormattedCopies(benchmark::State& state)
{
    for (auto _ : state) {
        History history;
        uint64_t kept = 0;
        for (uint64_t seed = 0; seed < copies; ++seed) {
            for (int again = 0; again < 2; ++again) {
                history.copy(seed, true);
                history.tick();
            }
            const auto [text, html] = makeCopy(seed);
            kept += text.size() + html.size();
        }
        const uint64_t folder = folderBytes(history.folder.path());
        state.counters["folder_MB"] = static_cast<double>(folder) / 1e6;
        state.counters["kept_MB"] = static_cast<double>(kept) / 1e6;
        state.counters["ratio"] = static_cast<double>(folder) / static_cast<double>(kept);
    }
}
BENCHMARK(BM_FolderAfterFormattedCopies)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace brimble
