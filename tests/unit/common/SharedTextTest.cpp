#include <sstream>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "common/SharedText.h"
#include "history/Clip.h"

namespace brimble {
namespace {

// A text long enough that no small-string buffer can hide a copy.
std::string longText(char fill)
{
    return std::string(4096, fill);
}

TEST(SharedText, CopiesShareOneBuffer)
{
    const SharedText original = longText('a');
    const SharedText copy = original;
    EXPECT_TRUE(copy.sharesBufferWith(original));
    EXPECT_EQ(copy.data(), original.data());

    Clip entry;
    entry.text = longText('b');
    const Clip copiedEntry = entry;
    EXPECT_EQ(copiedEntry.text.data(), entry.text.data()) << "copying an entry must not copy its text";
}

// A text given by value must be taken over: a copy here would double every capture's memory.
TEST(SharedText, StringsAreMovedInNotCopied)
{
    std::string built = longText('c');
    const char* buffer = built.data();
    const SharedText constructed(std::move(built));
    EXPECT_EQ(constructed.data(), buffer);

    std::string next = longText('d');
    buffer = next.data();
    SharedText assigned;
    assigned = std::move(next);
    EXPECT_EQ(assigned.data(), buffer);
    EXPECT_EQ(assigned, longText('d'));
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

    first = std::string("old");
    EXPECT_EQ(first, second) << "equal again, though in another buffer";
}

// Equality must not stop at the pointer (distinct buffers) nor at the size (same length).
TEST(SharedText, EqualityComparesContentAcrossDistinctBuffers)
{
    const SharedText a = std::string("same text");
    const SharedText b = std::string("same text");
    ASSERT_FALSE(a.sharesBufferWith(b));
    EXPECT_EQ(a, b);
    EXPECT_NE(a, SharedText("same tex!"));
    EXPECT_NE(a, SharedText("same"));

    const std::string asString = "same text";
    EXPECT_TRUE(a == asString);
    EXPECT_TRUE(asString == a);
    EXPECT_TRUE(a == std::string_view("same text"));
    EXPECT_TRUE("same text" == a);
    EXPECT_FALSE(a == "other");
}

TEST(SharedText, EmptyTextsAreEqualAndReadAsAnEmptyString)
{
    const SharedText unset;
    const SharedText fromLiteral = "";
    const SharedText fromString = std::string();
    EXPECT_TRUE(unset.empty());
    EXPECT_EQ(unset.size(), 0u);
    ASSERT_NE(unset.c_str(), nullptr);
    EXPECT_STREQ(unset.c_str(), "");
    EXPECT_EQ(unset, fromLiteral);
    EXPECT_EQ(unset, fromString);
    EXPECT_TRUE(unset.sharesBufferWith(fromString));
    EXPECT_NE(unset, SharedText(" "));
    const std::string& asString = unset;
    EXPECT_EQ(asString, "");
}

// A NUL inside a text is a character like any other; a constructor that went through
// c_str() would cut the text there.
TEST(SharedText, ANulInsideTheTextIsKept)
{
    const SharedText text = std::string("a\0b", 3);
    EXPECT_EQ(text.size(), 3u);
    EXPECT_NE(text, SharedText("a"));
    std::ostringstream printed;
    printed << text;
    EXPECT_EQ(printed.str(), std::string("a\0b", 3));
}

} // namespace
} // namespace brimble
