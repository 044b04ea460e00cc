#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace brimble {

// How every settings store reads a value that a person may have typed by hand: as what it
// plainly means, rather than as absent (which would put the default in force, and a default
// history limit trims the history).

// A finite number as an integer, truncated toward zero; nothing outside the 64-bit range.
std::optional<int64_t> integerFromNumber(double number);

// A text that holds one number, white space around it allowed ("200", " 250 ", "1e2", "12.7");
// truncated as `integerFromNumber` does. Nothing for any other text.
std::optional<int64_t> integerFromText(std::string_view text);

// 0 or 1 as a Boolean; nothing for any other number.
std::optional<bool> booleanFromNumber(double number);

// "true", "false", "1" or "0", in any letter case and with white space around allowed; nothing
// for any other text.
std::optional<bool> booleanFromText(std::string_view text);

} // namespace brimble
