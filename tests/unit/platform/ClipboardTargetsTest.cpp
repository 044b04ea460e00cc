#include <gtest/gtest.h>

#include "platform/gtk/ClipboardTargets.h"

namespace brimble {
namespace {

TEST(ClipboardTargetsTest, TextTargetIsChosenUtf8First)
{
    struct Row {
        std::vector<std::string> targets;
        std::string expected;
    };
    const std::vector<Row> rows = {
        // Latin-1 STRING would turn every other script into question marks at the owner.
        {{"TARGETS", "STRING", "UTF8_STRING"}, "UTF8_STRING"},
        {{"STRING", "text/plain;charset=utf-8"}, "text/plain;charset=utf-8"},
        {{"TEXT", "STRING"}, "STRING"},
        {{"STRING", "COMPOUND_TEXT"}, "COMPOUND_TEXT"},
        {{"text/plain", "TEXT"}, "TEXT"},
        {{"text/plain"}, "text/plain"},
        // A picture or a private type alone offers no text.
        {{"TARGETS", "image/png", "application/x-private"}, ""},
        {{}, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(preferredTextTarget(row.targets), row.expected) << testing::PrintToString(row.targets);
}

// When the chosen text target failed, no other was tried, and an owner answering only in
// COMPOUND_TEXT was never recorded.
TEST(ClipboardTargetsTest, TextTargetsAreTriedInGtksOrderAndTheCommonOnesWhenNoneAreListed)
{
    struct Row {
        std::vector<std::string> targets;
        std::vector<std::string> expected;
    };
    const std::vector<Row> rows = {
        {{"STRING", "COMPOUND_TEXT", "TARGETS", "UTF8_STRING"}, {"UTF8_STRING", "COMPOUND_TEXT", "STRING"}},
        {{"TEXT", "STRING", "text/plain"}, {"STRING", "TEXT", "text/plain"}},
        {{"COMPOUND_TEXT"}, {"COMPOUND_TEXT"}},
        {{"image/png"}, {}},
        {{}, {"UTF8_STRING", "COMPOUND_TEXT", "STRING"}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(textTargetsToTry(row.targets), row.expected) << testing::PrintToString(row.targets);
}

TEST(ClipboardTargetsTest, SelectionDataBecomesUtf8WithUnixLineBreaks)
{
    struct Row {
        std::string type;
        std::string bytes;
        std::optional<std::string> expected;
    };
    const std::vector<Row> rows = {
        {"UTF8_STRING", "naïve café ✓", "naïve café ✓"},
        {"UTF8_STRING", "one\r\ntwo\rthree\n", "one\ntwo\nthree\n"},
        // A "\r" at the very end must not read past the data.
        {"UTF8_STRING", "ends with\r", "ends with\n"},
        {"UTF8_STRING", "\r\n\r\n", "\n\n"},
        {"text/plain;charset=utf-8", "plain ✓", "plain ✓"},
        {"STRING", "caf\xe9 cr\xe8me\r\n", "café crème\n"},
        {"UTF8_STRING", "", ""},
        // Capture refuses broken UTF-8 and NUL bytes itself; nothing is mended on the way.
        {"UTF8_STRING", std::string("a\0b", 3), std::string("a\0b", 3)},
        {"COMPOUND_TEXT", "\x1b%Gtext", std::nullopt},
        {"ATOM", "1234", std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(textFromSelection(row.type, row.bytes), row.expected) << row.type << " " << row.bytes;
}

} // namespace
} // namespace brimble
