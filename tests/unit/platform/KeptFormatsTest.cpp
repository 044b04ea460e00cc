// Which formats an owner is asked for, and how their bytes are made ready to keep.

#include <gtest/gtest.h>

#include "platform/KeptFormats.h"

namespace brimble::test {
namespace {

using Offered = std::vector<std::string>;

struct ReadRow {
    const char* name;
    Offered offered;
    std::vector<std::string> asked; // offered name -> kept name, as "offered>kept"
    bool picture;
};

class FormatsToRead : public ::testing::TestWithParam<ReadRow> {};

TEST_P(FormatsToRead, AsksOnlyForKeptFormatsAndAPictureOnlyWithoutPlainText)
{
    const ReadRow& row = GetParam();
    std::vector<std::string> asked;
    for (const KeptFormats::Read& read : KeptFormats::formatsToRead(row.offered))
        asked.push_back(read.offered + ">" + read.keptAs);
    EXPECT_EQ(asked, row.asked);
    EXPECT_EQ(KeptFormats::readsPicture(row.offered), row.picture);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormatsToRead,
    ::testing::Values(
        ReadRow{"PlainText", {"TARGETS", "UTF8_STRING", "STRING"}, {}, false},
        // Guards the office freeze: private formats and the picture beside a text are never asked.
        ReadRow{"Office",
                {"UTF8_STRING", "text/html", "text/rtf", "text/richtext", "image/png",
                 "application/x-openoffice-link;windows_formatname=\"Link\"", "MULTIPLE", "SAVE_TARGETS"},
                {"text/html>text/html", "text/rtf>text/rtf"},
                false},
        ReadRow{"HtmlVariantOnly", {"text/plain", "text/html;charset=utf-16", "text/html;charset=UTF-8"},
                {"text/html;charset=UTF-8>text/html"}, false},
        ReadRow{"PlainHtmlWinsOverVariant", {"text/html;charset=utf-8", "text/html"}, {"text/html>text/html"}, false},
        ReadRow{"Files",
                {"UTF8_STRING", "application/x-kde-cutselection", "text/uri-list", "x-special/gnome-copied-files"},
                {"text/uri-list>text/uri-list", "x-special/gnome-copied-files>x-special/gnome-copied-files",
                 "application/x-kde-cutselection>application/x-kde-cutselection"},
                false},
        // A browser's "Copy image": no plain text, only HTML, so the picture is the copy.
        ReadRow{"BrowserImage", {"image/png", "text/html"}, {"text/html>text/html"}, true},
        ReadRow{"PictureBesideCharsetText", {"image/png", "text/plain;charset=utf-8"}, {}, false},
        ReadRow{"PictureOnly", {"image/jpeg", "image/bmp"}, {}, true}),
    [](const auto& info) { return std::string(info.param.name); });

struct NormalRow {
    const char* name;
    const char* offered;
    const char* keptAs;
    std::string bytes;
    std::optional<std::string> kept;
};

class Normalised : public ::testing::TestWithParam<NormalRow> {};

TEST_P(Normalised, GivesKeptBytesOrNothing)
{
    const NormalRow& row = GetParam();
    EXPECT_EQ(KeptFormats::normalised(row.offered, row.keptAs, row.bytes), row.kept);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Normalised,
    ::testing::Values(
        NormalRow{"Utf8Html", "text/html", "text/html", "<b>x</b>", "<b>x</b>"},
        NormalRow{"TrailingNul", "text/html", "text/html", std::string("<b>x</b>\0", 9), "<b>x</b>"},
        // Firefox on X11 sends HTML as UTF-16 with a byte-order mark.
        NormalRow{"Utf16WithMark", "text/html", "text/html", std::string("\xff\xfe<\0b\0>\0\xe9\0", 10), "<b>\u00e9"},
        NormalRow{"Utf16ByName", "text/html;charset=utf-16", "text/html", std::string("<\0p\0>\0", 6), "<p>"},
        NormalRow{"NotUtf8", "text/html", "text/html", "\xff\xfe\xfd", std::nullopt},
        NormalRow{"Empty", "text/html", "text/html", "", std::nullopt},
        NormalRow{"RtfAsSent", "text/rtf", "text/rtf", "{\\rtf1 \xff}", "{\\rtf1 \xff}"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FilesOfUriList, GivesPathsInOrderAndSkipsCommentsAndHeads)
{
    EXPECT_EQ(KeptFormats::filesOfUriList("copy\nfile:///home/a%20b.txt\r\n# comment\r\n\r\nfile:///tmp/c\n"
                                          "https://example.org/x\n"),
              (std::vector<std::string>{"/home/a b.txt", "/tmp/c", "https://example.org/x"}));
    EXPECT_EQ(KeptFormats::filesOfUriList("file:///a\nfile:///b\nfile:///c\n", 2),
              (std::vector<std::string>{"/a", "/b"}));
    EXPECT_TRUE(KeptFormats::filesOfUriList("cut\n").empty());
}

TEST(KeptFormatsCaps, EveryKeptTypeHasACapAndNothingElseIsKept)
{
    for (std::string_view type : {"text/html", "text/rtf", "text/richtext", "application/rtf"})
        EXPECT_EQ(KeptFormats::capFor(type), KeptFormats::maxFormattedBytes) << type;
    for (std::string_view type : {"text/uri-list", "x-special/gnome-copied-files", "application/x-kde-cutselection"})
        EXPECT_EQ(KeptFormats::capFor(type), KeptFormats::maxFilesBytes) << type;
    for (std::string_view type : {"", "image/png", "text/plain", "text/html;charset=utf-8", "../x"})
        EXPECT_FALSE(KeptFormats::isKept(type)) << type;
}

} // namespace
} // namespace brimble::test
