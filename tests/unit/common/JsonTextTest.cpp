#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "common/JsonText.h"

namespace brimble {
namespace {

// What the writer makes of `text` as a JSON string.
std::string written(std::string_view text)
{
    rapidjson::StringBuffer buffer;
    json::Writer writer(buffer);
    json::writeString(writer, text);
    return std::string(buffer.GetString(), buffer.GetSize());
}

bool writerCopiesAsItIs(std::string_view text)
{
    return written(text) == "\"" + std::string(text) + "\"";
}

TEST(JsonWritesVerbatim, Table)
{
    const struct {
        std::string text;
        bool verbatim;
    } rows[] = {
        {"", true},
        {"plain prose, with commas; and / slashes", true},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", true},
        {"\x7F", true},
        {"say \"hi\"", false},
        {"C:\\path", false},
        {"line\nbreak", false},
        {"tab\there", false},
        {std::string("nul\0inside", 10), false},
        {"\x1F", false},
        {"broken \xC3", false},
        {"\xED\xA0\x80", false}, // an encoded surrogate is not UTF-8
    };
    for (const auto& row : rows) {
        EXPECT_EQ(json::writesVerbatim(row.text), row.verbatim) << row.text;
        EXPECT_EQ(writerCopiesAsItIs(row.text), row.verbatim) << "the table disagrees with the writer: " << row.text;
    }
}

// Every single byte must be judged as the writer judges it: a byte the check lets through but
// the writer escapes would corrupt the history file.
TEST(JsonWritesVerbatim, AgreesWithTheWriterOnEveryAsciiByte)
{
    for (int byte = 0; byte < 0x80; ++byte) {
        const std::string text = "ab" + std::string(1, static_cast<char>(byte)) + "cd";
        EXPECT_EQ(json::writesVerbatim(text), writerCopiesAsItIs(text)) << "byte " << byte;
    }
}

// The scan runs in blocks: a character to escape must be found in any block, in the short tail
// after the last whole block, and at the very end.
TEST(JsonWritesVerbatim, EscapesAreFoundInEveryBlockAndInTheTail)
{
    for (const size_t length : {1u, 63u, 64u, 65u, 127u, 128u, 200u}) {
        const std::string clean(length, 'x');
        EXPECT_TRUE(json::writesVerbatim(clean)) << length;
        for (size_t at : {size_t{0}, length / 2, length - 1}) {
            std::string dirty = clean;
            dirty[at] = '"';
            EXPECT_FALSE(json::writesVerbatim(dirty)) << "length " << length << ", quote at " << at;
        }
    }
}

// Plain ASCII skips the UTF-8 check; one non-ASCII byte anywhere, even in the tail, must bring it
// back.
TEST(JsonWritesVerbatim, InvalidUtf8AfterLongAsciiIsStillRefused)
{
    const std::string ascii(130, 'x');
    EXPECT_FALSE(json::writesVerbatim(ascii + "\xC3"));
    EXPECT_FALSE(json::writesVerbatim("\xFF" + ascii));
    EXPECT_TRUE(json::writesVerbatim(ascii + "\xC3\xA9"));
}

} // namespace
} // namespace brimble
