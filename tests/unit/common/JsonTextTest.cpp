#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "common/JsonText.h"

namespace brimble {
namespace {

// Whether the writer puts `text` between the quotes unchanged.
bool writerCopiesAsItIs(std::string_view text)
{
    rapidjson::StringBuffer buffer;
    json::Writer writer(buffer);
    json::writeString(writer, text);
    return std::string_view(buffer.GetString(), buffer.GetSize()) == "\"" + std::string(text) + "\"";
}

// A text judged verbatim that the writer would in fact escape or repair corrupts the history
// file: every ASCII byte, and UTF-8 valid and broken, must be judged as the writer judges it.
TEST(JsonWritesVerbatim, AgreesWithTheWriter)
{
    std::vector<std::string> texts = {"", "caf\xC3\xA9 \xF0\x9F\x98\x80", "cut \xC3 short", "\xED\xA0\x80"};
    for (int byte = 0; byte < 0x80; ++byte)
        texts.push_back("ab" + std::string(1, static_cast<char>(byte)) + "cd");
    for (const std::string& text : texts)
        EXPECT_EQ(json::writesVerbatim(text), writerCopiesAsItIs(text)) << text;
    EXPECT_TRUE(json::writesVerbatim("plain prose, with / slashes"));
    EXPECT_FALSE(json::writesVerbatim("say \"hi\""));
}

// The scan runs in blocks of 64 bytes: a character to escape must be found in any block, in the
// tail after the last whole block, and at the very end; a non-ASCII byte in the tail must still
// bring the UTF-8 check that plain ASCII skips.
TEST(JsonWritesVerbatim, EscapesAndBrokenUtf8AreFoundInEveryBlockAndInTheTail)
{
    for (const size_t length : {1u, 63u, 64u, 65u, 128u, 200u}) {
        const std::string clean(length, 'x');
        EXPECT_TRUE(json::writesVerbatim(clean)) << length;
        for (size_t at : {size_t{0}, length / 2, length - 1}) {
            std::string dirty = clean;
            dirty[at] = '\\';
            EXPECT_FALSE(json::writesVerbatim(dirty)) << "length " << length << ", backslash at " << at;
        }
        EXPECT_FALSE(json::writesVerbatim(clean + "\xC3")) << length;
    }
}

} // namespace
} // namespace brimble
