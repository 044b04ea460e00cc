#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "common/UnicodeText.h"

namespace brimble {
namespace {

struct FoldRow {
    std::string text;
    std::string folded;
};

class CaseFold : public testing::TestWithParam<FoldRow> {};

TEST_P(CaseFold, FoldsValidTextAndReplacesWhatIsNotUtf8)
{
    // The text sits in a heap block of exactly its size, without a terminating NUL, as a window
    // class read from another program does; the sanitizer build reports any read past it.
    const std::string& text = GetParam().text;
    auto exact = std::make_unique<char[]>(text.size());
    std::copy(text.begin(), text.end(), exact.get());
    EXPECT_EQ(caseFolded(std::string_view(exact.get(), text.size())), GetParam().folded);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CaseFold,
    testing::Values(FoldRow{"Firefox-ESR", "firefox-esr"}, FoldRow{"Stra\u00DFe", "strasse"},
                    // A lead byte at the very end: folding stepped over the three bytes it
                    // announces, past the end of the name.
                    FoldRow{"Gedit\xE2", "gedit\uFFFD"},
                    FoldRow{std::string("a\xF0\x9F", 3), "a\uFFFD\uFFFD"},
                    FoldRow{std::string("A\0B", 3), "a\uFFFDb"}, FoldRow{"\xFF\xFE", "\uFFFD\uFFFD"},
                    FoldRow{"", ""}));

} // namespace
} // namespace brimble
