// How command fields are read: the name trim and the number conversion are where a careless
// reader goes wrong.

#include <limits>

#include <gtest/gtest.h>

#include "bridge/FieldReaders.h"

namespace brimble::fields {
namespace {

rapidjson::Document parse(const std::string& json)
{
    rapidjson::Document document;
    document.Parse(json.c_str(), json.size());
    return document;
}

struct TrimCase {
    std::string input;
    std::string expected;
};

class NameTrim : public ::testing::TestWithParam<TrimCase> {};

TEST_P(NameTrim, RemovesUnicodeWhiteSpaceAtBothEndsOnly)
{
    EXPECT_EQ(trimWhiteSpace(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, NameTrim, ::testing::Values(
    TrimCase{"  Work  ", "Work"},
    TrimCase{"\t\n\r\v\fWork\n", "Work"},
    TrimCase{"Two  words", "Two  words"},                         // inner space stays
    TrimCase{"\u00a0Work\u00a0", "Work"},                         // no-break space
    TrimCase{"\u2003\u3000Work\u2028\u2029", "Work"},             // em space, ideographic space, separators
    TrimCase{"\u0085Work\u0085", "Work"},                         // next line
    TrimCase{"\u200bWork", "\u200bWork"},                         // zero-width space is no white space
    TrimCase{"\u00e9t\u00e9 ", "\u00e9t\u00e9"},                  // a multi-byte last letter is kept whole
    TrimCase{" \xff ", "\xff"},                                   // broken bytes stop the trim, no crash
    TrimCase{" \xe2\x80", "\xe2\x80"},                            // truncated sequence at the end
    TrimCase{std::string(" a\0b ", 5), std::string("a\0b", 3)},  // an inner NUL is kept
    TrimCase{"   ", ""},
    TrimCase{"", ""}
));

TEST(NameField, BlankOrMistypedNameIsAbsent)
{
    EXPECT_EQ(readName(parse(R"({"name":" \u3000 "})"), "name"), std::nullopt);
    EXPECT_EQ(readName(parse(R"({"name":7})"), "name"), std::nullopt);
    EXPECT_EQ(readName(parse(R"({})"), "name"), std::nullopt);
    EXPECT_EQ(readName(parse(R"({"name":" Ideas "})"), "name"), "Ideas");
}

struct IntegerCase {
    std::string json;
    std::optional<int64_t> expected;
};

class IntegerField : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerField, DropsFractionAndClampsToSixtyFourBits)
{
    EXPECT_EQ(readInteger(parse("{\"value\":" + GetParam().json + "}"), "value"), GetParam().expected);
}

constexpr int64_t maxInt = std::numeric_limits<int64_t>::max();
constexpr int64_t minInt = std::numeric_limits<int64_t>::min();

INSTANTIATE_TEST_SUITE_P(Table, IntegerField, ::testing::Values(
    IntegerCase{"5", 5},
    IntegerCase{"-3", -3},
    IntegerCase{"5.99", 5},
    IntegerCase{"-5.99", -5},
    IntegerCase{"1e3", 1000},
    IntegerCase{"9223372036854775807", maxInt},
    IntegerCase{"-9223372036854775808", minInt},
    IntegerCase{"18446744073709551615", maxInt},
    IntegerCase{"9223372036854775808.0", maxInt},
    IntegerCase{"1e300", maxInt},
    IntegerCase{"-1e300", minInt},
    IntegerCase{"\"5\"", std::nullopt},
    IntegerCase{"true", std::nullopt},
    IntegerCase{"null", std::nullopt},
    IntegerCase{"[5]", std::nullopt}
));

TEST(StringListField, AnyElementOfAnotherTypeInvalidatesTheWholeList)
{
    using List = std::vector<std::string>;
    EXPECT_EQ(readStringList(parse(R"({"ids":["a","b"]})"), "ids"), (List{"a", "b"}));
    EXPECT_EQ(readStringList(parse(R"({"ids":[]})"), "ids"), List{});
    EXPECT_EQ(readStringList(parse(R"({"ids":["a",1]})"), "ids"), std::nullopt);
    EXPECT_EQ(readStringList(parse(R"({"ids":["a",null]})"), "ids"), std::nullopt);
    EXPECT_EQ(readStringList(parse(R"({"ids":[["a"]]})"), "ids"), std::nullopt);
    EXPECT_EQ(readStringList(parse(R"({"ids":"a"})"), "ids"), std::nullopt);
}

TEST(BoolField, OnlyJsonBooleansCount)
{
    EXPECT_EQ(readBool(parse(R"({"v":false})"), "v"), false);
    EXPECT_EQ(readBool(parse(R"({"v":true})"), "v"), true);
    EXPECT_EQ(readBool(parse(R"({"v":1})"), "v"), std::nullopt);
    EXPECT_EQ(readBool(parse(R"({"v":"true"})"), "v"), std::nullopt);
}

TEST(StringField, KeepsEmbeddedNul)
{
    EXPECT_EQ(readString(parse(R"({"id":"a\u0000b"})"), "id"), std::string("a\0b", 3));
    EXPECT_EQ(readString(parse(R"({"id":1})"), "id"), std::nullopt);
}

} // namespace
} // namespace brimble::fields
