#include <gtest/gtest.h>

#include "history/AppSupport.h"
#include "support/TempDir.h"

namespace brimble {
namespace {

using test::readFile;
using test::writeFile;

TEST(AppSupport, DataFolderIsBrimbleUnderTheDataHome)
{
    test::TempDir home;
    EXPECT_EQ(AppSupport::directory(home.path()), home.path() / "Brimble");
    EXPECT_EQ(AppSupport::historyFile(home.path()), home.path() / "Brimble" / "clipboard.json");
    EXPECT_EQ(AppSupport::imagesFolder(home.path()), home.path() / "Brimble" / "clipboard-images");
    EXPECT_FALSE(std::filesystem::exists(home.path() / "Brimble")) << "asking for the folder does not create it";
}

TEST(AppSupport, OlderFolderMovesIntoPlaceWithEverythingInIt)
{
    test::TempDir home;
    writeFile(home.path() / "Quiverly" / "clipboard.json", "[]");
    writeFile(home.path() / "Quiverly" / "clipboard-images" / "a.png", "png");

    const auto folder = AppSupport::directory(home.path());
    EXPECT_FALSE(std::filesystem::exists(home.path() / "Quiverly"));
    EXPECT_EQ(readFile(folder / "clipboard.json"), "[]");
    EXPECT_EQ(readFile(folder / "clipboard-images" / "a.png"), "png");
}

// Data written since the move must never be replaced by the older folder's content.
TEST(AppSupport, ExistingBrimbleLeavesTheOlderFolderUntouched)
{
    test::TempDir home;
    writeFile(home.path() / "Brimble" / "clipboard.json", "new");
    writeFile(home.path() / "Quiverly" / "clipboard.json", "old");

    AppSupport::directory(home.path());
    EXPECT_EQ(readFile(home.path() / "Brimble" / "clipboard.json"), "new");
    EXPECT_EQ(readFile(home.path() / "Quiverly" / "clipboard.json"), "old");
}

// A plain file named "Brimble" counts as something in the way, like a folder.
TEST(AppSupport, AnyEntryNamedBrimbleStopsTheMove)
{
    test::TempDir home;
    writeFile(home.path() / "Brimble", "a file");
    writeFile(home.path() / "Quiverly" / "clipboard.json", "old");

    AppSupport::directory(home.path());
    EXPECT_EQ(readFile(home.path() / "Quiverly" / "clipboard.json"), "old");
}

} // namespace
} // namespace brimble
