#include <gtest/gtest.h>

#include "history/Capture.h"
#include "platform/gtk/InstalledApps.h"
#include "platform/wayland/DesktopEntryMatch.h"
#include "platform/wayland/OfferedTypes.h"

namespace brimble::wayland {
namespace {

using Types = std::vector<std::string>;

TEST(OfferedTypesTest, TypeAnnouncedTwiceIsListedOnceInTheOrderFirstOffered)
{
    // KWin announces "text/plain" twice; a second entry would cost a second read.
    OfferedTypeList list;
    for (const char* type : {"text/plain", "image/png", "text/plain", "", "image/png"})
        list.add(type);
    EXPECT_EQ(list.types(), (Types{"text/plain", "image/png"}));
    EXPECT_TRUE(list.complete());
    EXPECT_EQ(list.take(), (Types{"text/plain", "image/png"}));
    EXPECT_TRUE(list.types().empty());
}

// An offer of hundreds of thousands of types was kept whole and searched from the start for
// each new one: quadratic time and unbounded memory on the main thread.
TEST(OfferedTypesTest, OfferOfMoreTypesThanAreReadKeepsTheFirstAndSaysItIsIncomplete)
{
    OfferedTypeList list;
    list.add("text/plain");
    for (size_t i = 0; i < 300000; ++i)
        list.add("application/x-type-" + std::to_string(i));
    EXPECT_EQ(list.types().size(), maxOfferedTypes);
    EXPECT_EQ(list.types().front(), "text/plain");
    EXPECT_FALSE(list.complete());
}

TEST(OfferedTypesTest, OfferOfLongTypeNamesIsBoundedByTheirBytes)
{
    OfferedTypeList list;
    const std::string padding(4000, 'x');
    for (size_t i = 0; i < 100; ++i)
        list.add(std::to_string(i) + padding);
    EXPECT_LT(list.types().size(), 100u);
    EXPECT_LE(list.types().size() * (padding.size() + 1), maxOfferedTypeBytes);
    EXPECT_FALSE(list.complete());
}

TEST(OfferedTypesTest, PictureIsReadOnlyAsPngJpegOrTiff)
{
    EXPECT_EQ(preferredPictureType({"image/tiff", "image/jpeg", "image/png"}), "image/png");
    EXPECT_EQ(preferredPictureType({"image/bmp", "image/jpeg"}), "image/jpeg");
    // Their parsers are never handed another program's bytes.
    EXPECT_EQ(preferredPictureType({"image/svg+xml", "image/bmp", "image/x-icon", "text/plain"}), "");
}

TEST(OfferedTypesTest, OfferMapsToTheX11LayersIdentifiersWithoutTheOwnMarker)
{
    const std::string marker = ownMarkerType("token");
    const Types offer{"text/plain;charset=utf-8", "UTF8_STRING", "image/jpeg", "x-kde-passwordManagerHint",
                      "text/html", marker};
    EXPECT_EQ(typesForOffer(offer, marker),
              (std::set<std::string>{"public.utf8-plain-text", "public.jpeg", "org.nspasteboard.ConcealedType",
                                     "text/html"}));
}

TEST(OfferedTypesTest, TextIsReadFromTheBestUtf8TypeAndNeverFromLegacyEncodings)
{
    struct Row {
        Types offer;
        std::string expected;
    };
    const Row rows[] = {
        {{"text/plain", "UTF8_STRING", "text/plain;charset=utf-8"}, "text/plain;charset=utf-8"},
        {{"text/plain", "UTF8_STRING"}, "UTF8_STRING"},
        {{"STRING", "TEXT", "text/plain"}, "text/plain"},
        // Latin-1 or compound text would be recorded as mojibake or not at all.
        {{"STRING", "TEXT", "COMPOUND_TEXT"}, ""},
        {{"image/png"}, ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(preferredTextType(row.offer), row.expected) << row.offer.front();
}

TEST(OfferedTypesTest, AnotherInstancesMarkerIsNotTakenForOurOwn)
{
    const std::string ours = ownMarkerType("first");
    const std::string theirs = ownMarkerType("second");
    EXPECT_NE(ours, theirs);
    EXPECT_TRUE(isOwnOffer({"text/plain", ours}, ours));
    EXPECT_FALSE(isOwnOffer({"text/plain", theirs}, ours));
    // An empty marker would match nothing rather than every offer with an empty type.
    EXPECT_FALSE(isOwnOffer({"text/plain", ""}, ""));
}

TEST(OfferedTypesTest, TextReadLimitIsTheBoundCaptureApplies)
{
    // A smaller limit would drop texts capture keeps; a larger one reads what it refuses.
    EXPECT_EQ(textReadLimit, maxTextBytes);
}

// An installed entry as the desktop's application list gives it, folded as the matching expects.
DesktopEntryTraits entry(const char* id, const char* wmClass = "")
{
    return {id, foldedForMatching(id), foldedForMatching(wmClass), {}};
}

TEST(DesktopEntryMatchTest, AppIdFindsItsDesktopEntry)
{
    const std::vector<DesktopEntryTraits> entries{
        entry("org.gnome.gedit"),
        entry("firefox-esr", "Firefox-esr"),
        entry("org.kde.konsole"),
        entry("Gimp"),
        entry("code", "Code"),
    };
    struct Row {
        std::string appId;
        std::optional<std::string> expected;
    };
    const Row rows[] = {
        {"org.gnome.gedit", "org.gnome.gedit"},
        {"Firefox-esr", "firefox-esr"},
        {"gimp", "Gimp"},
        {"konsole", "org.kde.konsole"},
        {"Code", "code"},
        // "sole" is not a dotted part of "org.kde.konsole".
        {"sole", "sole"},
        {"unknown.App", "unknown.App"},
        {"", std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(desktopEntryForAppId(row.appId, entries), row.expected) << row.appId;
}

TEST(DesktopEntryMatchTest, ExactIdWinsOverAnEntryThatMatchesOnlyIgnoringCase)
{
    const std::vector<DesktopEntryTraits> entries{entry("Foot"), entry("foot")};
    EXPECT_EQ(desktopEntryForAppId("foot", entries), "foot");
}

} // namespace
} // namespace brimble::wayland
