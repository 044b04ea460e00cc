#include <algorithm>
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

// Parses `text` into `document`, whose strings stay valid until the next call.
bool parses(const std::string& text, rapidjson::Document& document)
{
    static std::string buffer;
    buffer = json::parseBuffer(text);
    return json::parseInPlace(buffer, document);
}

// A settings file of a million "[" crashed the program at every start: the recursive parser ran
// off the end of the stack. Nesting beyond the bound is refused, whatever the brackets.
TEST(JsonParse, NestingBeyondTheBoundIsRefusedWithoutCrashing)
{
    rapidjson::Document document;
    for (const std::string& deep : {std::string(1'000'000, '['), std::string(1'000'000, '[') + std::string(1'000'000, ']'),
                                    "[" + std::string(1'000'000, '{'), std::string(300'000, '[') + "{\"a\":" })
        EXPECT_FALSE(parses(deep, document)) << deep.substr(0, 20);

    const auto nested = [](unsigned depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    EXPECT_TRUE(parses(nested(json::maxJsonDepth), document));
    EXPECT_FALSE(parses(nested(json::maxJsonDepth + 1), document));
    EXPECT_TRUE(parses(R"([{"id":"A","list":[{"x":[1]}]}])", document)) << "real files nest far less";
}

// An infinity could never be written back: the history and settings stopped saving, and every
// state push failed.
TEST(JsonParse, NumbersBeyondTheDoubleRangeReadAsNull)
{
    rapidjson::Document document;
    ASSERT_TRUE(parses(R"([9e308, -1e999, 1.5e308, 12, 1e-400])", document));
    EXPECT_TRUE(document[0].IsNull());
    EXPECT_TRUE(document[1].IsNull());
    EXPECT_EQ(document[2].GetDouble(), 1.5e308);
    EXPECT_EQ(document[3].GetInt(), 12);
    EXPECT_EQ(document[4].GetDouble(), 0) << "an underflow is a plain zero";

    // The parser refuses an exponent above 308 outright, which cost the whole file; such a
    // number is read as null too. Texts that look like numbers are never touched.
    ASSERT_TRUE(parses(R"([1e999, "say \"1e999\" twice", "\\", 2E+0309, "a\\\"1e999", 0.5e-9999, -1e999])",
                       document));
    EXPECT_TRUE(document[0].IsNull());
    EXPECT_EQ(json::stringOf(document[1]), "say \"1e999\" twice");
    EXPECT_EQ(json::stringOf(document[2]), "\\");
    EXPECT_TRUE(document[3].IsNull());
    EXPECT_EQ(json::stringOf(document[4]), "a\\\"1e999");
    EXPECT_EQ(document[5].GetDouble(), 0);
    EXPECT_TRUE(document[6].IsNull());
}

TEST(JsonRecords, EachElementCostsOnlyItself)
{
    const auto evenOnly = [](const rapidjson::Value& value) -> std::optional<int> {
        if (!value.IsInt() || value.GetInt() % 2 != 0)
            return std::nullopt;
        return value.GetInt();
    };
    const auto list = json::decodeRecords<int>(R"([2, 3, "4", 6, null, {}])", evenOnly);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->records, (std::vector<int>{2, 6}));
    EXPECT_EQ(list->leftOut, 4u);
    EXPECT_FALSE(json::decodeRecords<int>(R"({"a":2})", evenOnly)) << "not an array";
    EXPECT_FALSE(json::decodeRecords<int>("[2,", evenOnly)) << "not JSON";
}

// A value kept from one parse into the next document pointed into the first parse's buffer
// once that buffer was gone (a null setting kept its old value as garbage).
TEST(JsonOwnedCopy, OutlivesTheParseBuffer)
{
    rapidjson::Document target;
    target.SetObject();
    {
        rapidjson::Document source;
        std::string buffer = json::parseBuffer(R"({"list":["a","b"],"text":"kept","n":3,"o":{"k":"v"}})");
        ASSERT_TRUE(json::parseInPlace(buffer, source));
        target.AddMember("copy", json::ownedCopy(source, target.GetAllocator()), target.GetAllocator());
        std::fill(buffer.begin(), buffer.end(), 'x');
    }
    rapidjson::StringBuffer out;
    json::Writer writer(out);
    target["copy"].Accept(writer);
    EXPECT_EQ(std::string(out.GetString()), R"({"list":["a","b"],"text":"kept","n":3,"o":{"k":"v"}})");
}

} // namespace
} // namespace brimble
