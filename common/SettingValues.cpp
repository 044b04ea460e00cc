#include "common/SettingValues.h"

#include <charconv>
#include <cmath>

#include <glib.h>

namespace brimble {

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && g_ascii_isspace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && g_ascii_isspace(text.back()))
        text.remove_suffix(1);
    return text;
}

// The whole text as one number, or nothing; a leading "+" is allowed as people write it.
std::optional<double> numberFromText(std::string_view text)
{
    text = trimmed(text);
    if (text.starts_with('+'))
        text.remove_prefix(1);
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

} // namespace

std::optional<int64_t> integerFromNumber(double number)
{
    if (!std::isfinite(number))
        return std::nullopt;
    const double whole = std::trunc(number);
    // 2^63 itself does not fit, hence the strict upper bound.
    if (whole < -9223372036854775808.0 || whole >= 9223372036854775808.0)
        return std::nullopt;
    return static_cast<int64_t>(whole);
}

std::optional<int64_t> integerFromText(std::string_view text)
{
    const std::string_view digits = trimmed(text);
    int64_t exact = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), exact);
    if (!digits.empty() && error == std::errc() && end == digits.data() + digits.size())
        return exact;
    if (const std::optional<double> number = numberFromText(text))
        return integerFromNumber(*number);
    return std::nullopt;
}

std::optional<bool> booleanFromNumber(double number)
{
    if (number == 0)
        return false;
    if (number == 1)
        return true;
    return std::nullopt;
}

std::optional<bool> booleanFromText(std::string_view text)
{
    text = trimmed(text);
    const auto is = [&](std::string_view word) {
        return text.size() == word.size() && g_ascii_strncasecmp(text.data(), word.data(), word.size()) == 0;
    };
    if (is("1") || is("true"))
        return true;
    if (is("0") || is("false"))
        return false;
    return std::nullopt;
}

} // namespace brimble
