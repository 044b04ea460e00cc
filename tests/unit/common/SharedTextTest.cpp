#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "common/SharedText.h"
#include "history/Clip.h"

namespace brimble {
namespace {

// Long enough that no small-string buffer can hide a copy.
const std::string longText(4096, 'a');

// A copy of the text on the way in, or at each copy of an entry, multiplies a long history.
TEST(SharedText, CopiesShareTheBufferAndStringsAreMovedIn)
{
    std::string built = longText;
    const char* buffer = built.data();
    Clip entry;
    entry.text = std::move(built);
    EXPECT_EQ(entry.text.data(), buffer);
    const Clip copy = entry;
    EXPECT_EQ(copy.text.data(), buffer);
    EXPECT_TRUE(copy.text.sharesBufferWith(entry.text));
}

// Giving one copy a new text must never change what the other copies read.
TEST(SharedText, AssignmentReplacesTheBufferAndLeavesOtherCopiesAlone)
{
    SharedText first = "old";
    const SharedText second = first;
    first = "new";
    EXPECT_EQ(first, "new");
    EXPECT_EQ(second, "old");
    EXPECT_FALSE(first.sharesBufferWith(second));
}

// Equality must not stop at the pointer (distinct buffers), at the size (same length) or at a
// NUL (a constructor that went through c_str() would cut the text there).
TEST(SharedText, EqualityComparesContentAcrossDistinctBuffers)
{
    const SharedText a = std::string("same text");
    const SharedText b = std::string("same text");
    ASSERT_FALSE(a.sharesBufferWith(b));
    EXPECT_EQ(a, b);
    EXPECT_NE(a, SharedText("same tex!"));
    EXPECT_TRUE(std::string("same text") == a);
    EXPECT_TRUE(a == std::string_view("same text"));
    EXPECT_FALSE(a == "other");

    const SharedText withNul = std::string("a\0b", 3);
    EXPECT_EQ(withNul.size(), 3u);
    EXPECT_NE(withNul, SharedText("a"));
}

TEST(SharedText, EmptyTextsAreEqualAndReadAsAnEmptyString)
{
    const SharedText unset;
    EXPECT_TRUE(unset.empty());
    ASSERT_NE(unset.c_str(), nullptr);
    EXPECT_STREQ(unset.c_str(), "");
    EXPECT_EQ(unset, SharedText(""));
    EXPECT_EQ(unset, SharedText(std::string()));
    EXPECT_NE(unset, SharedText(" "));
    const std::string& asString = unset;
    EXPECT_EQ(asString, "");
}

} // namespace
} // namespace brimble
