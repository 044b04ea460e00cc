// "copyMany": the selected texts joined into one clipboard text, in the order the page sends.

#include "unit/bridge/CommandFixture.h"

namespace brimble::test {
namespace {

class CopyMany : public CommandFixture, public ::testing::TestWithParam<CommandCase> {};

TEST_P(CopyMany, HasExactlyItsEffect)
{
    runCase(*this, GetParam());
}

const Ids seededOrder{"P", "A", "B", "C", "X"};

void pasting(CommandFixture& f)
{
    f.target.fake.defaults.setRaw("pasteAfterChoosing", true);
}

void withPicture(CommandFixture& f)
{
    Clip picture = CommandFixture::entry("I", "PNG \u00b7 640\u00d7480", "S1");
    picture.kind = "image";
    picture.imgFile = "0A1B2C3D-0000-4000-8000-000000000001.png";
    f.target.clip.items.insert(f.target.clip.items.begin() + 2, picture);
    f.target.clip.save();
}

// The history is not touched: no entry moves, nothing is saved, and the next tick must not take
// the joined text for a copy of the user's.
void leftAsItWas(const CommandFixture& f)
{
    EXPECT_EQ(f.order(), seededOrder);
    EXPECT_EQ(f.target.clipLastChange, f.target.fake.pasteboard.count);
}

INSTANTIATE_TEST_SUITE_P(Table, CopyMany, ::testing::Values(
    // The page's order is the order shown, which is not the history's order.
    CommandCase{"JoinsInTheOrderSentNotTheHistorysOrder", R"({"cmd":"copyMany","ids":["C","A","B"]})",
                {"pasteboard: clear", "pasteboard: text Charlie\nAlpha\nBravo"}, noFiles, leftAsItWas},
    CommandCase{"SingleIdCopiesThatTextAlone", R"({"cmd":"copyMany","ids":["B"]})",
                {"pasteboard: clear", "pasteboard: text Bravo"}, noFiles, leftAsItWas},
    // A picture's label is not its content: joining "PNG · 640×480" would paste a lie.
    CommandCase{"PicturesAreLeftOutOfTheText", R"({"cmd":"copyMany","ids":["A","I","B"]})",
                {"pasteboard: clear", "pasteboard: text Alpha\nBravo"}, noFiles, nullptr, withPicture},
    CommandCase{"OnlyPicturesLeaveTheClipboardAlone", R"({"cmd":"copyMany","ids":["I"]})", {}, noFiles, nullptr,
                withPicture},
    // Cards deleted while selected, or ids repeated by a page fault, add no empty lines.
    CommandCase{"UnknownAndRepeatedIdsAddNothing", R"({"cmd":"copyMany","ids":["ZZ","A","A","B","zz"]})",
                {"pasteboard: clear", "pasteboard: text Alpha\nBravo"}, noFiles, leftAsItWas},
    CommandCase{"OnlyUnknownIdsLeaveTheClipboardAlone", R"({"cmd":"copyMany","ids":["GONE"]})", {}, noFiles,
                [](const CommandFixture& f) { EXPECT_EQ(f.order(), seededOrder); }},
    CommandCase{"EmptyListLeavesTheClipboardAlone", R"({"cmd":"copyMany","ids":[]})", {}, noFiles},
    CommandCase{"MissingIdsLeaveTheClipboardAlone", R"({"cmd":"copyMany"})", {}, noFiles},
    CommandCase{"SingleStringIdsLeaveTheClipboardAlone", R"({"cmd":"copyMany","ids":"A"})", {}, noFiles},
    CommandCase{"MixedListLeavesTheClipboardAlone", R"({"cmd":"copyMany","ids":["A",1]})", {}, noFiles},
    // Another session's entry is still an entry, as for "copy".
    CommandCase{"OtherSessionsEntryIsJoinedToo", R"({"cmd":"copyMany","ids":["X","P"]})",
                {"pasteboard: clear", "pasteboard: text Xray\nPinned"}, noFiles, leftAsItWas},

    CommandCase{"WhilePastingHandsOnAfterTheCopy", R"({"cmd":"copyMany","ids":["B","C"]})",
                {"pasteboard: clear", "pasteboard: text Bravo\nCharlie", "paste into previous window"}, noFiles,
                leftAsItWas, pasting},
    // Nothing went on the clipboard, so pasting would paste whatever was there before.
    CommandCase{"WhilePastingNothingToCopyNeverPastes", R"({"cmd":"copyMany","ids":["GONE"]})", {}, noFiles,
                nullptr, pasting},
    CommandCase{"WhilePastingOnlyPicturesNeverPaste", R"({"cmd":"copyMany","ids":["I"]})", {}, noFiles, nullptr,
                [](CommandFixture& f) {
                    withPicture(f);
                    pasting(f);
                }}
), caseName);

// Entries whose own text ends in a line break keep it: the joint adds exactly one more.
class CopyManyText : public CommandFixture, public ::testing::Test {};

TEST_F(CopyManyText, KeepsTheEntriesOwnLineBreaksAndEmptyLines)
{
    target.clip.items[2].text = "Bravo\n";
    target.clip.items[3].text = "\nCharlie";
    target.fake.log_.clear();
    send(R"({"cmd":"copyMany","ids":["B","C"]})");
    EXPECT_EQ(target.fake.pasteboard.text(), std::optional<std::string>("Bravo\n\n\nCharlie"));
}

} // namespace
} // namespace brimble::test
