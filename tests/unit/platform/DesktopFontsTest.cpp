#include "platform/gtk/DesktopFonts.h"

#include <gtest/gtest.h>

namespace brimble {
namespace {

// The desktop writes its interface font as one name with style and size; WebKit wants the family
// alone, and a family it cannot find falls back to another without a word.
TEST(DesktopFontsTest, FamilyIsTakenWithoutStyleSizeOrFurtherFamilies)
{
    EXPECT_EQ(fontFamilyOf("Cantarell 11"), "Cantarell");
    EXPECT_EQ(fontFamilyOf("Noto Sans Bold Italic 10"), "Noto Sans");
    EXPECT_EQ(fontFamilyOf("Ubuntu, Noto Sans 11"), "Ubuntu");
    EXPECT_EQ(fontFamilyOf("Sans"), "Sans");
}

TEST(DesktopFontsTest, NoNameOrOnlyASizeGivesNoFamily)
{
    EXPECT_EQ(fontFamilyOf(nullptr), "");
    EXPECT_EQ(fontFamilyOf(""), "");
    EXPECT_EQ(fontFamilyOf("12"), "");
}

} // namespace
} // namespace brimble
