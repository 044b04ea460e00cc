// Text built to hurt: megabytes of it, broken UTF-8 labelled as UTF-8, NUL bytes, and long
// bursts of copies. Nothing may crash, make the history file unreadable, or outgrow the limit.

#include <gtest/gtest.h>

#include "history/ClipCodec.h"
#include "unit/history/CaptureFixture.h"

namespace brimble::test {
namespace {

constexpr size_t tenMegabytes = 10 * 1024 * 1024;

// A history with one entry saved, against which the hostile copy is tried.
struct SavedFixture : CaptureFixture {
    SavedFixture()
    {
        copyAndTick("already here");
        saved = readFile(historyFile());
    }
    std::string saved;
};

struct RefusedTextRow {
    const char* name;
    std::function<std::string()> make;
};

class RefusedText : public ::testing::TestWithParam<RefusedTextRow> {};

TEST_P(RefusedText, IsNotRecordedAndTheFileIsUntouched)
{
    SavedFixture f;
    f.fake.clock.time += 1;
    f.copyText(GetParam().make());
    EXPECT_EQ(f.tick(), PushNeeded::No);
    EXPECT_EQ(f.texts(), std::vector<std::string>{"already here"});
    EXPECT_EQ(readFile(f.historyFile()), f.saved);

    // The change was consumed and the next copy is recorded as ever.
    EXPECT_EQ(f.tick(), PushNeeded::No);
    EXPECT_EQ(f.copyAndTick("next"), PushNeeded::Yes);
    EXPECT_EQ(decodeClips(readFile(f.historyFile())).value_or(std::vector<Clip>{}).size(), 2u);
}

std::string repeated(const std::string& piece, size_t bytes)
{
    std::string out;
    out.reserve(bytes + piece.size());
    while (out.size() < bytes)
        out += piece;
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RefusedText,
    ::testing::Values(
        RefusedTextRow{"TenMegabytesOfLetters", [] { return std::string(tenMegabytes, 'x'); }},
        // Guards a length rule that counts only characters: this is one character, "e" with five
        // million accents, and would have been kept and sent to the page whole.
        RefusedTextRow{"TenMegabytesInOneCharacter", [] { return "e" + repeated("\u0301", tenMegabytes); }},
        RefusedTextRow{"JustOverTheByteLimitInFewCharacters",
                       [] { return "a" + repeated("\u0301", maxTextBytes); }},
        // Broken UTF-8 offered as UTF-8 text would make the history file unreadable.
        RefusedTextRow{"OverlongSlash", [] { return std::string("path\xC0\xAF" "etc"); }},
        RefusedTextRow{"Surrogate", [] { return std::string("half \xED\xA0\x80 pair"); }},
        RefusedTextRow{"ByteFF", [] { return std::string("\xFF\xFE text"); }},
        RefusedTextRow{"CutSequenceAtTheEnd", [] { return std::string("euro \xE2\x82"); }},
        RefusedTextRow{"FiveByteForm", [] { return std::string("\xF8\x88\x80\x80\x80"); }},
        RefusedTextRow{"BeyondUnicode", [] { return std::string("\xF4\x90\x80\x80"); }},
        RefusedTextRow{"LoneContinuationInMegabytes", [] { return repeated("ok \x80", tenMegabytes); }},
        // GTK hands text over as a C string and cuts it at the first NUL; one that still carries
        // NUL bytes is not text.
        RefusedTextRow{"NulBytes", [] { return std::string("before\0after\0", 13); }}),
    [](const auto& info) { return std::string(info.param.name); });

// 50,000 of the longest emoji sequences stay under the byte limit: the limit never refuses a
// text that the character limit lets through in practice.
TEST(HostileText, FiftyThousandLongEmojiSequencesAreStillRecorded)
{
    CaptureFixture f;
    // Kiss: woman, man, two skin tones: 35 bytes, one character.
    const std::string kiss = "\U0001F469\U0001F3FB\u200D\u2764\uFE0F\u200D\U0001F48B\u200D\U0001F468\U0001F3FC";
    std::string text;
    for (size_t i = 0; i < maxTextGraphemes; ++i)
        text += kiss;
    ASSERT_EQ(graphemeCount(text), maxTextGraphemes);
    ASSERT_LE(text.size(), maxTextBytes);
    EXPECT_EQ(f.copyAndTick(text), PushNeeded::Yes);
}

// A long burst of distinct and repeated copies: the limit holds at every step and the file on
// disk always decodes to exactly what is in memory.
TEST(HostileText, BurstOfCopiesKeepsTheLimitAndAReadableFile)
{
    CaptureFixture f;
    f.fake.defaults.setRaw("historyLimit", int64_t{20});
    for (int i = 0; i < 600; ++i) {
        f.copyAndTick(i % 7 == 0 ? "repeated" : "burst " + std::to_string(i));
        ASSERT_LE(f.store.items.size(), 20u);
    }
    EXPECT_EQ(f.store.items.size(), 20u);
    const auto saved = decodeClips(readFile(f.historyFile()));
    ASSERT_TRUE(saved);
    EXPECT_EQ(*saved, f.store.items);
}

// Pictures in a burst: the folder holds exactly the files that entries name.
TEST(HostileText, BurstOfPicturesLeavesOnlyReferencedFiles)
{
    CaptureFixture f;
    f.fake.defaults.setRaw("historyLimit", int64_t{10});
    for (uint32_t i = 0; i < 60; ++i) {
        f.fake.clock.time += 1;
        f.copyPicture(pictureBytes(16, 16, "png", 0x10000000u * (i % 15) + i * 77 + 0xff));
        f.tick();
        f.copyAndTick("between " + std::to_string(i));
    }
    std::vector<std::string> named;
    for (const Clip& clip : f.store.items)
        if (clip.imgFile)
            named.push_back(*clip.imgFile);
    std::sort(named.begin(), named.end());
    EXPECT_EQ(f.imageFiles(), named);
    EXPECT_EQ(f.store.items.size(), 10u);
}

} // namespace
} // namespace brimble::test
