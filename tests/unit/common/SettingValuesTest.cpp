#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "common/SettingValues.h"

namespace brimble {
namespace {

// "historyLimit": "200" read as absent, so the limit fell to 50 and the history was trimmed.
TEST(SettingValues, IntegersFromNumbersAndNumericTexts)
{
    const struct {
        const char* text;
        std::optional<int64_t> value;
    } rows[] = {
        {"200", 200}, {" 250 ", 250}, {"+30", 30}, {"-5", -5}, {"12.7", 12}, {"1e2", 100},
        {"9223372036854775807", INT64_MAX}, {"", std::nullopt}, {"  ", std::nullopt}, {"abc", std::nullopt},
        {"200 entries", std::nullopt}, {"0x10", std::nullopt}, {"1e999", std::nullopt}, {"nan", std::nullopt},
        {"inf", std::nullopt}, {"9223372036854775808", std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(integerFromText(row.text), row.value) << '"' << row.text << '"';

    EXPECT_EQ(integerFromNumber(37.9), 37);
    EXPECT_EQ(integerFromNumber(-2.5), -2);
    EXPECT_EQ(integerFromNumber(1e300), std::nullopt);
    EXPECT_EQ(integerFromNumber(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

// "clipboardPaused": 1 read as not paused.
TEST(SettingValues, BooleansFromTrueFalseZeroOneAndTheirTexts)
{
    const struct {
        const char* text;
        std::optional<bool> value;
    } rows[] = {
        {"true", true}, {"TRUE", true}, {" True ", true}, {"1", true}, {"false", false}, {"False", false},
        {"0", false}, {"yes", std::nullopt}, {"2", std::nullopt}, {"", std::nullopt}, {"tru", std::nullopt},
        {"truer", std::nullopt}, {"1.0", std::nullopt},
    };
    for (const auto& row : rows)
        EXPECT_EQ(booleanFromText(row.text), row.value) << '"' << row.text << '"';

    EXPECT_EQ(booleanFromNumber(1), true);
    EXPECT_EQ(booleanFromNumber(0), false);
    EXPECT_EQ(booleanFromNumber(-0.0), false);
    EXPECT_EQ(booleanFromNumber(2), std::nullopt);
    EXPECT_EQ(booleanFromNumber(0.5), std::nullopt);
}

} // namespace
} // namespace brimble
