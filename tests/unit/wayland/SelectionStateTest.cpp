#include <gtest/gtest.h>

#include "platform/wayland/OfferedTypes.h"
#include "platform/wayland/SelectionState.h"

namespace brimble::wayland {
namespace {

using Next = SelectionState::Next;
using Types = std::vector<std::string>;

class SelectionStateTest : public testing::Test {
protected:
    ClipboardContent text(const std::string& value) { return {{"text/plain;charset=utf-8"}, value, std::nullopt}; }

    const std::string marker = ownMarkerType("this-process");
    SelectionState state{marker};
};

TEST_F(SelectionStateTest, SelectionHeldAtStartIsNotACopy)
{
    const int64_t start = state.changeCount();
    EXPECT_EQ(state.announce(Types{"text/plain"}, SelectionState::Baseline::Yes), Next::Nothing);
    EXPECT_EQ(state.changeCount(), start);
    EXPECT_FALSE(state.isOwnerless());
}

TEST_F(SelectionStateTest, ForeignCopyCountsOnlyOnceItsContentIsRead)
{
    const int64_t start = state.changeCount();
    ASSERT_EQ(state.announce(Types{"text/plain;charset=utf-8"}), Next::Read);
    // A tick before the reads end must not see a change whose text is not there yet.
    EXPECT_EQ(state.changeCount(), start);
    EXPECT_TRUE(state.finishReading(state.generation(), text("copied")));
    EXPECT_EQ(state.changeCount(), start + 1);
    EXPECT_EQ(state.content().text, "copied");
    EXPECT_EQ(state.types(), std::set<std::string>{"public.utf8-plain-text"});
}

TEST_F(SelectionStateTest, ReadOfASelectionReplacedMeanwhileIsDropped)
{
    ASSERT_EQ(state.announce(Types{"text/plain"}), Next::Read);
    const uint64_t first = state.generation();
    ASSERT_EQ(state.announce(Types{"text/plain"}), Next::Read);
    const int64_t before = state.changeCount();
    // The slower first read lands after the second selection was announced.
    EXPECT_FALSE(state.finishReading(first, text("stale")));
    EXPECT_EQ(state.changeCount(), before);
    EXPECT_TRUE(state.finishReading(state.generation(), text("fresh")));
    EXPECT_EQ(state.content().text, "fresh");
    // A read reported twice counts once.
    EXPECT_FALSE(state.finishReading(state.generation(), text("fresh")));
    EXPECT_EQ(state.changeCount(), before + 1);
}

TEST_F(SelectionStateTest, OwnerQuittingDuringItsReadMovesTheCounterTwice)
{
    // The unread copy did not count, so the tick saw one change, an emptied clipboard, and the
    // keep-alive put back the copy before it.
    ASSERT_EQ(state.announce(Types{"text/plain"}), Next::Read);
    state.finishReading(state.generation(), text("earlier"));
    const int64_t before = state.changeCount();
    ASSERT_EQ(state.announce(Types{"text/plain"}), Next::Read);
    EXPECT_EQ(state.announce(std::nullopt), Next::Tick);
    EXPECT_EQ(state.changeCount(), before + 2);
    EXPECT_TRUE(state.isOwnerless());
}

TEST_F(SelectionStateTest, CopyReplacedDuringItsReadStillCounts)
{
    ASSERT_EQ(state.announce(Types{"text/plain"}), Next::Read);
    const int64_t before = state.changeCount();
    ASSERT_EQ(state.announce(Types{"text/plain"}), Next::Read);
    EXPECT_TRUE(state.finishReading(state.generation(), text("second")));
    EXPECT_EQ(state.changeCount(), before + 2);
    // Our own write over a read under way counts both.
    ASSERT_EQ(state.announce(Types{"text/plain"}), Next::Read);
    state.wroteOwn({{"text/plain", marker}, "ours", std::nullopt});
    EXPECT_EQ(state.changeCount(), before + 4);
}

TEST_F(SelectionStateTest, OwnWriteCountsAtOnceAndItsEchoDoesNot)
{
    const int64_t start = state.changeCount();
    state.wroteOwn({{"text/plain", marker}, "written back", std::nullopt});
    EXPECT_EQ(state.changeCount(), start + 1);
    EXPECT_EQ(state.announce(Types{"text/plain", marker}), Next::Nothing);
    EXPECT_EQ(state.changeCount(), start + 1);
    EXPECT_EQ(state.content().text, "written back");
    EXPECT_FALSE(state.types().contains(marker));
}

TEST_F(SelectionStateTest, ReadStillRunningWhenWeWriteDoesNotOverwriteOurContent)
{
    ASSERT_EQ(state.announce(Types{"text/plain"}), Next::Read);
    const uint64_t foreign = state.generation();
    state.wroteOwn({{"text/plain", marker}, "ours", std::nullopt});
    EXPECT_FALSE(state.finishReading(foreign, text("theirs")));
    EXPECT_EQ(state.content().text, "ours");
}

TEST_F(SelectionStateTest, EmptiedClipboardIsAnOwnerlessChangeUntilTheNextCopy)
{
    ASSERT_EQ(state.announce(Types{"text/plain"}), Next::Read);
    state.finishReading(state.generation(), text("owned"));
    const int64_t before = state.changeCount();
    EXPECT_EQ(state.announce(std::nullopt), Next::Tick);
    EXPECT_EQ(state.changeCount(), before + 1);
    EXPECT_TRUE(state.isOwnerless());
    EXPECT_EQ(state.content().text, std::nullopt);
    // The keep-alive's write, and its echo, end the ownerless state.
    state.wroteOwn({{"text/plain", marker}, "owned", std::nullopt});
    EXPECT_FALSE(state.isOwnerless());
    state.announce(Types{"text/plain", marker});
    EXPECT_FALSE(state.isOwnerless());
}

TEST_F(SelectionStateTest, EmptyClipboardAtStartIsOwnerlessButNotAChange)
{
    const int64_t start = state.changeCount();
    EXPECT_EQ(state.announce(std::nullopt, SelectionState::Baseline::Yes), Next::Nothing);
    EXPECT_TRUE(state.isOwnerless());
    EXPECT_EQ(state.changeCount(), start);
}

} // namespace
} // namespace brimble::wayland
