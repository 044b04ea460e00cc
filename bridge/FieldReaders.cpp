#include "bridge/FieldReaders.h"

#include <cmath>
#include <limits>

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace brimble::fields {

namespace {

const rapidjson::Value* member(const rapidjson::Value& body, std::string_view key)
{
    if (!body.IsObject())
        return nullptr;
    const auto found = body.FindMember(
        rapidjson::Value(rapidjson::StringRef(key.data(), static_cast<rapidjson::SizeType>(key.size()))));
    return found == body.MemberEnd() ? nullptr : &found->value;
}

std::string toString(const rapidjson::Value& value)
{
    // The length is taken from the value, so a string holding "\u0000" is kept whole.
    return std::string(value.GetString(), value.GetStringLength());
}

} // namespace

std::optional<std::string> readString(const rapidjson::Value& body, std::string_view key)
{
    const rapidjson::Value* value = member(body, key);
    if (!value || !value->IsString())
        return std::nullopt;
    return toString(*value);
}

std::optional<std::vector<std::string>> readStringList(const rapidjson::Value& body, std::string_view key)
{
    const rapidjson::Value* value = member(body, key);
    if (!value || !value->IsArray())
        return std::nullopt;
    std::vector<std::string> list;
    list.reserve(value->Size());
    for (const rapidjson::Value& element : value->GetArray()) {
        if (!element.IsString())
            return std::nullopt;
        list.push_back(toString(element));
    }
    return list;
}

std::optional<bool> readBool(const rapidjson::Value& body, std::string_view key)
{
    const rapidjson::Value* value = member(body, key);
    if (!value || !value->IsBool())
        return std::nullopt;
    return value->GetBool();
}

std::optional<int64_t> readInteger(const rapidjson::Value& body, std::string_view key)
{
    const rapidjson::Value* value = member(body, key);
    if (!value || !value->IsNumber())
        return std::nullopt;
    if (value->IsInt64())
        return value->GetInt64();
    if (value->IsUint64())
        return std::numeric_limits<int64_t>::max();

    // A double outside the 64-bit range would make the conversion undefined, so it is clamped
    // first; 2^63 itself is exactly representable and already too large.
    const double number = std::trunc(value->GetDouble());
    if (std::isnan(number))
        return std::nullopt;
    constexpr double limit = 9223372036854775808.0;
    if (number >= limit)
        return std::numeric_limits<int64_t>::max();
    if (number < -limit)
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(number);
}

std::optional<std::string> readName(const rapidjson::Value& body, std::string_view key)
{
    const std::optional<std::string> text = readString(body, key);
    if (!text)
        return std::nullopt;
    std::string trimmed = trimWhiteSpace(*text);
    if (trimmed.empty())
        return std::nullopt;
    return trimmed;
}

std::string trimWhiteSpace(std::string_view text)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = static_cast<int32_t>(text.size());

    int32_t start = 0;
    while (start < length) {
        int32_t next = start;
        UChar32 c = 0;
        U8_NEXT(bytes, next, length, c);
        // An invalid sequence reads as a negative code point, which is not white space.
        if (c < 0 || !u_isUWhiteSpace(c))
            break;
        start = next;
    }

    int32_t end = length;
    while (end > start) {
        int32_t previous = end;
        UChar32 c = 0;
        U8_PREV(bytes, start, previous, c);
        if (c < 0 || !u_isUWhiteSpace(c))
            break;
        end = previous;
    }
    return std::string(text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)));
}

} // namespace brimble::fields
