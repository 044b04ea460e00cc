#include <sys/stat.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "common/AtomicFile.h"
#include "support/TempDir.h"
#include "unit/hardening/FaultInjection.h"

namespace brimble {
namespace {

using test::fileMode;
using test::readFile;
using test::writeFile;

std::vector<std::string> namesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// 2026-12-07 08:30:00 UTC.
constexpr double december7 = 1796632200;

TEST(AtomicFile, WritesTheBytesWithTheGivenMode)
{
    test::TempDir dir;
    const auto file = dir / "clipboard.json";
    ASSERT_TRUE(writeFileAtomically(file, std::string("a\0b", 3), 0600));
    EXPECT_EQ(readFile(file), std::string("a\0b", 3));
    EXPECT_EQ(fileMode(file), 0600);
}

// A permissive umask or an older file made by hand must not leave the history readable by others.
TEST(AtomicFile, ModeHoldsOverAnOlderLooserFileAndAnyUmask)
{
    test::TempDir dir;
    const auto file = dir / "clipboard.json";
    writeFile(file, "old");
    std::filesystem::permissions(file, std::filesystem::perms(0666));
    const mode_t previous = umask(0);
    const bool written = writeFileAtomically(file, "new", 0600);
    umask(previous);
    ASSERT_TRUE(written);
    EXPECT_EQ(readFile(file), "new");
    EXPECT_EQ(fileMode(file), 0600);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"clipboard.json"}) << "no temporary file stays";
}

// A failed replace must leave neither a half-written target nor a stray temporary file.
TEST(AtomicFile, FailedWriteLeavesNothingBehind)
{
    test::TempDir dir;
    const auto blocked = dir / "clipboard.json";
    std::filesystem::create_directory(blocked); // a folder in the way makes the final rename fail
    writeFile(blocked / "inside", "kept");
    EXPECT_FALSE(writeFileAtomically(blocked, "new", 0600));
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"clipboard.json"});
    EXPECT_EQ(readFile(blocked / "inside"), "kept");

    EXPECT_FALSE(writeFileAtomically(dir / "no" / "such" / "folder.json", "new", 0600));
}

// The system takes at most IOV_MAX (1024) pieces per call: the pieces past the first batch must
// still arrive, in order and once, long and empty ones among them.
TEST(AtomicFile, PiecesArriveInOrderAcrossManyCalls)
{
    test::TempDir dir;
    const auto file = dir / "clipboard.json";
    writeFile(file, std::string(300000, 'o'));
    std::vector<std::string> texts;
    for (int i = 0; i < 2500; ++i)
        texts.push_back(i % 700 == 0 ? std::string(100000, 'x') : i % 3 == 0 ? "" : std::to_string(i) + '\0');
    const std::vector<std::string_view> pieces(texts.begin(), texts.end());
    std::string expected;
    for (const std::string& text : texts)
        expected += text;
    ASSERT_TRUE(writePiecesAtomically(file, pieces, 0600));
    EXPECT_EQ(readFile(file), expected);
    EXPECT_EQ(fileMode(file), 0600);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"clipboard.json"});
}

// A full disk lets a write through part-way and then refuses the rest: that is a failed save,
// and the old file must stay whole.
TEST(AtomicFile, PiecesCutShortByAFullDiskLeaveTheOldFile)
{
    test::TempDir dir;
    const auto file = dir / "clipboard.json";
    writeFile(file, "old");
    const std::string longPiece(64, 'n');
    const std::string_view pieces[] = {"[", longPiece, "]"};
    {
        test::ScopedFileSizeLimit full(16);
        ASSERT_TRUE(full.active());
        EXPECT_FALSE(writePiecesAtomically(file, pieces, 0600));
    }
    EXPECT_EQ(readFile(file), "old");
    EXPECT_EQ(fileMode(file), 0600) << "the mode is applied to the old file too";
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"clipboard.json"}) << "no temporary file stays";
}

TEST(AtomicFile, PiecesIntoAnUnwritableFolderLeaveTheOldFile)
{
    test::TempDir dir;
    const auto file = dir / "clipboard.json";
    writeFile(file, "old");
    const std::string_view pieces[] = {"new"};
    {
        test::ScopedReadOnlyFolders readOnly(dir.path(), {dir.path()});
        ASSERT_TRUE(readOnly.effective());
        EXPECT_FALSE(writePiecesAtomically(file, pieces, 0600));
    }
    EXPECT_EQ(readFile(file), "old");
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"clipboard.json"});
}

// The file stays in place until the save replaces it: a reader in between (the user, a backup)
// never finds the history missing. The copy is a file of its own, which a write in place of the
// original leaves as it was.
TEST(AtomicFile, MoveAsideNamesTheCopyByUtcTimeAndLeavesTheFile)
{
    test::TempDir dir;
    writeFile(dir / "clipboard.json", "broken");
    ASSERT_TRUE(moveAsideUnreadable(dir / "clipboard.json", december7 + 0.75));
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"clipboard.json", "clipboard.json.unreadable-20261207T083000Z"}));
    writeFile(dir / "clipboard.json", "edited in place");
    EXPECT_EQ(readFile(dir / "clipboard.json.unreadable-20261207T083000Z"), "broken");
    EXPECT_EQ(fileMode(dir / "clipboard.json.unreadable-20261207T083000Z"), 0600);
}

// A folder in the file's place cannot be copied, and must make way for the save.
TEST(AtomicFile, MoveAsideRenamesAFolderInTheFilesPlace)
{
    test::TempDir dir;
    writeFile(dir / "clipboard.json" / "inside", "kept");
    ASSERT_TRUE(moveAsideUnreadable(dir / "clipboard.json", december7));
    EXPECT_EQ(readFile(dir / "clipboard.json.unreadable-20261207T083000Z" / "inside"), "kept");
    EXPECT_TRUE(writeFileAtomically(dir / "clipboard.json", "new", 0600));
}

// Two failures within one second must not overwrite the first copy.
TEST(AtomicFile, MoveAsideTwiceInOneSecondKeepsBoth)
{
    test::TempDir dir;
    writeFile(dir / "blocks.json", "first");
    ASSERT_TRUE(moveAsideUnreadable(dir / "blocks.json", december7));
    writeFile(dir / "blocks.json", "second");
    ASSERT_TRUE(moveAsideUnreadable(dir / "blocks.json", december7));
    EXPECT_EQ(readFile(dir / "blocks.json.unreadable-20261207T083000Z"), "first");
    EXPECT_EQ(readFile(dir / "blocks.json.unreadable-20261207T083000Z-1"), "second");
}

// A file that breaks at every start must not fill the disk with copies.
TEST(AtomicFile, MoveAsideKeepsTheThreeNewestCopiesOfThatFileOnly)
{
    test::TempDir dir;
    writeFile(dir / "sessions.json.unreadable-20200101T000000Z", "other file");
    for (int day = 0; day < 5; ++day) {
        writeFile(dir / "clipboard.json", "copy " + std::to_string(day));
        ASSERT_TRUE(moveAsideUnreadable(dir / "clipboard.json", december7 + day * 86400));
    }
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"clipboard.json",
                                                             "clipboard.json.unreadable-20261209T083000Z",
                                                             "clipboard.json.unreadable-20261210T083000Z",
                                                             "clipboard.json.unreadable-20261211T083000Z",
                                                             "sessions.json.unreadable-20200101T000000Z"}));
    EXPECT_EQ(readFile(dir / "clipboard.json.unreadable-20261211T083000Z"), "copy 4");
}

TEST(AtomicFile, MoveAsideOfAMissingFileDoesNothing)
{
    test::TempDir dir;
    EXPECT_FALSE(moveAsideUnreadable(dir / "clipboard.json", december7));
    EXPECT_TRUE(namesIn(dir.path()).empty());
}

TEST(AtomicFile, ReadWholeFile)
{
    test::TempDir dir;
    writeFile(dir / "data", std::string("x\0y", 3));
    writeFile(dir / "empty", "");
    EXPECT_EQ(readWholeFile(dir / "data"), std::string("x\0y", 3));
    EXPECT_EQ(readWholeFile(dir / "empty"), "");
    EXPECT_EQ(readWholeFile(dir / "missing"), std::nullopt);
    EXPECT_EQ(readWholeFile(dir.path()), std::nullopt) << "a folder is not a file";
}

} // namespace
} // namespace brimble
