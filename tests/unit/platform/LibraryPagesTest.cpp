#include "platform/gtk/LibraryPages.h"

#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include <glib.h>
#include <gtest/gtest.h>

namespace brimble {
namespace {

constexpr uint64_t present = uint64_t{1} << 63;
constexpr uint64_t swapped = uint64_t{1} << 62;
constexpr uint64_t filePage = uint64_t{1} << 61;
constexpr uint64_t absent = 0;
// A page the process wrote to: in memory, not the file's.
constexpr uint64_t ownCopy = present | 0x1234;

using Runs = std::vector<std::pair<size_t, size_t>>;

TEST(LibraryPages, OnlyFilePagesAndAbsentOnesAreLetGo)
{
    EXPECT_EQ(droppablePageRuns(std::vector<uint64_t>{}), Runs{});
    EXPECT_EQ(droppablePageRuns(std::vector<uint64_t>{present | filePage, absent, present | filePage}),
              (Runs{{0, 3}}));
    // Relocations written by the loader sit between file pages of the same mapping.
    EXPECT_EQ(droppablePageRuns(std::vector<uint64_t>{present | filePage, ownCopy, ownCopy, present | filePage}),
              (Runs{{0, 1}, {3, 4}}));
    EXPECT_EQ(droppablePageRuns(std::vector<uint64_t>{ownCopy, ownCopy}), Runs{});
}

// A swapped-out page is always the process's own copy, whatever else its entry says; dropping it
// would bring back the file's bytes in place of the relocated ones.
TEST(LibraryPages, SwappedOutCopiesAreKept)
{
    EXPECT_EQ(droppablePageRuns(std::vector<uint64_t>{swapped, swapped | filePage, absent}), (Runs{{2, 3}}));
}

// The real thing, in this very process: libraries keep working after their pages were let go,
// virtual calls through relocated tables of the C++ library and GLib's tables included.
TEST(LibraryPages, LibrariesStillWorkAfterTheirPagesWereLetGo)
{
    std::ostringstream before;
    before.imbue(std::locale::classic());
    before << 12345 << ' ' << 1.5;

    EXPECT_GT(releaseLibraryFilePages(), 0u);

    std::ostringstream after;
    after.imbue(std::locale::classic());
    after << 12345 << ' ' << 1.5;
    EXPECT_EQ(after.str(), before.str());
    g_autofree char* upper = g_utf8_strup("brimble ü", -1);
    EXPECT_STREQ(upper, "BRIMBLE Ü");
    g_autoptr(GVariant) variant = g_variant_ref_sink(g_variant_new_parsed("[1, 2, 3]"));
    g_autofree char* printed = g_variant_print(variant, FALSE);
    EXPECT_STREQ(printed, "[1, 2, 3]");
}

} // namespace
} // namespace brimble
