#pragma once

#include <string>
#include <string_view>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace brimble::json {

using Writer = rapidjson::Writer<rapidjson::StringBuffer>;

// Parses a whole JSON document in place: `text` is overwritten and must outlive `document`,
// whose strings point into it. Fails unless `text` is valid UTF-8 and every decoded string is
// valid UTF-8 too (an escaped lone surrogate is not), so that no invalid text enters memory.
bool parseInPlace(std::string& text, rapidjson::Document& document);

// A copy of `text` with room for `parseInPlace`, so that it needs no second copy.
std::string parseBuffer(std::string_view text);

// Whether `text` is valid UTF-8; U+0000 counts as a character like any other.
bool isValidUtf8(std::string_view text);

// `text` with every invalid UTF-8 sequence replaced by U+FFFD; U+0000 is kept.
std::string validUtf8(std::string_view text);

// Writes a JSON string; invalid UTF-8 is replaced by U+FFFD so that the file stays readable.
void writeString(Writer& writer, std::string_view text);

// Whether `writeString` puts `text` between the quotes exactly as it is: valid UTF-8 with no
// quote, backslash or control character below U+0020, which the writer would escape.
bool writesVerbatim(std::string_view text);

// The text of a JSON string value, U+0000 included.
inline std::string stringOf(const rapidjson::Value& value)
{
    return std::string(value.GetString(), value.GetStringLength());
}

} // namespace brimble::json
