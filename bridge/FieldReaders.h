#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <rapidjson/document.h>

namespace brimble::fields {

// Each reader takes one member of a command body. A member that is missing or of another JSON
// type reads as nothing, so a command can tell "absent" from every valid value.

// A JSON string.
std::optional<std::string> readString(const rapidjson::Value& body, std::string_view key);

// A JSON array of strings only; one element of another type makes the whole list invalid.
std::optional<std::vector<std::string>> readStringList(const rapidjson::Value& body, std::string_view key);

// JSON true or false.
std::optional<bool> readBool(const rapidjson::Value& body, std::string_view key);

// Any JSON number as a signed integer: the fraction is dropped and values beyond the 64-bit
// range are clamped to it.
std::optional<int64_t> readInteger(const rapidjson::Value& body, std::string_view key);

// A string without leading and trailing Unicode white space; nothing when nothing is left.
std::optional<std::string> readName(const rapidjson::Value& body, std::string_view key);

// Removes leading and trailing characters of the Unicode White_Space property from UTF-8 text.
std::string trimWhiteSpace(std::string_view text);

} // namespace brimble::fields
