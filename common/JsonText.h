#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace brimble::json {

using Writer = rapidjson::Writer<rapidjson::StringBuffer>;

// The deepest nesting of arrays and objects a document may have. Brimble's own files nest two
// deep and the page's messages three; the bound keeps the parser's recursion, and every later
// walk through a document, far from the end of the stack whatever a file holds.
inline constexpr unsigned maxJsonDepth = 256;

// Parses a whole JSON document in place: `text` is overwritten and must outlive `document`,
// whose strings point into it. Fails unless `text` is valid UTF-8 and every decoded string is
// valid UTF-8 too (an escaped lone surrogate is not), so that no invalid text enters memory, and
// fails when arrays and objects nest deeper than `maxJsonDepth`. A number beyond the range of a
// double, which the parser would turn into an infinity, is read as null: a value that could never
// be written again must not enter memory.
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

// A deep copy of `value` made in `allocator`, strings included. RapidJSON's own copy keeps
// strings parsed in place as references into the parse buffer, which would dangle once it goes.
rapidjson::Value ownedCopy(const rapidjson::Value& value, rapidjson::Document::AllocatorType& allocator);

// What a file of records gave: those that could be read, in file order, and how many elements
// were left out because they could not be.
template<typename Record>
struct RecordList {
    std::vector<Record> records;
    size_t leftOut = 0;
};

// Decodes a JSON array element by element with `decode` (a `std::optional<Record>` from a value),
// so that one element that cannot be read costs only itself. Nothing when the text is not a
// JSON array at all.
template<typename Record, typename Decode>
std::optional<RecordList<Record>> decodeRecords(std::string_view json, Decode decode)
{
    std::string buffer = parseBuffer(json);
    rapidjson::Document document;
    if (!parseInPlace(buffer, document) || !document.IsArray())
        return std::nullopt;
    RecordList<Record> list;
    list.records.reserve(document.Size());
    for (const auto& element : document.GetArray()) {
        if (std::optional<Record> record = decode(element))
            list.records.push_back(std::move(*record));
        else
            ++list.leftOut;
    }
    return list;
}

// The text of a JSON string value, U+0000 included.
inline std::string stringOf(const rapidjson::Value& value)
{
    return std::string(value.GetString(), value.GetStringLength());
}

} // namespace brimble::json
