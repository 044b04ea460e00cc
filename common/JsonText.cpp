#include "common/JsonText.h"

#include <cmath>
#include <cstring>

#include <glib.h>
#include <rapidjson/reader.h>

namespace brimble::json {

namespace {

constexpr size_t parsePadding = 16;

// Only a \u escape can turn valid input into invalid decoded text, and only one that names a
// surrogate. Looking for one is far cheaper than checking every decoded string.
bool mayHoldSurrogateEscape(std::string_view text)
{
    for (size_t at = text.find("\\u"); at != std::string_view::npos; at = text.find("\\u", at + 2)) {
        if (at + 3 < text.size() && (text[at + 2] == 'd' || text[at + 2] == 'D')
            && g_ascii_isxdigit(text[at + 3]) && g_ascii_xdigit_value(text[at + 3]) >= 8)
            return true;
    }
    return false;
}

bool allStringsValid(const rapidjson::Value& value)
{
    if (value.IsString())
        return isValidUtf8(std::string_view(value.GetString(), value.GetStringLength()));
    if (value.IsArray()) {
        for (const auto& element : value.GetArray()) {
            if (!allStringsValid(element))
                return false;
        }
    }
    if (value.IsObject()) {
        for (const auto& member : value.GetObject()) {
            if (!allStringsValid(member.name) || !allStringsValid(member.value))
                return false;
        }
    }
    return true;
}

// The end of the string that starts after the quote at `open`: the index of its closing quote,
// or the text's size when it has none. A quote after an odd run of backslashes is escaped. The
// search runs at memchr's speed, since most of a history file is the texts of its entries.
size_t stringEnd(std::string_view text, size_t open)
{
    size_t from = open + 1;
    while (from < text.size()) {
        const void* found = std::memchr(text.data() + from, '"', text.size() - from);
        if (!found)
            return text.size();
        const size_t quote = static_cast<size_t>(static_cast<const char*>(found) - text.data());
        size_t backslashes = 0;
        while (quote - backslashes > open + 1 && text[quote - backslashes - 1] == '\\')
            ++backslashes;
        if (backslashes % 2 == 0)
            return quote;
        from = quote + 1;
    }
    return text.size();
}

// Whether the parser refuses a number token outright (it does for a decimal exponent above 308)
// or it names a value beyond the double range.
bool numberOutOfRange(std::string_view token)
{
    const size_t e = token.find_first_of("eE");
    if (e == std::string_view::npos && token.size() < 300)
        return false;
    if (e != std::string_view::npos) {
        std::string_view exponent = token.substr(e + 1);
        if (!exponent.empty() && exponent.front() == '+')
            exponent.remove_prefix(1);
        if (!exponent.empty() && exponent.front() != '-') {
            while (exponent.size() > 1 && exponent.front() == '0')
                exponent.remove_prefix(1);
            if (exponent.size() > 3 || (exponent.size() == 3 && exponent > "308"))
                return true;
        }
    }
    const std::string terminated(token);
    return std::isinf(g_ascii_strtod(terminated.c_str(), nullptr));
}

// RapidJSON fails the whole document on a number with an exponent above 308, so one such number
// in one entry would cost every entry. Each number of that kind, and each beyond the double
// range, is overwritten with null (padded with spaces; such a number is at least five
// characters long) before the parse. Strings are skipped whole, so the scan costs little.
void nullOutOfRangeNumbers(std::string& text)
{
    size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (c == '"') {
            at = stringEnd(text, at) + 1;
            continue;
        }
        if (c != '-' && !g_ascii_isdigit(c)) {
            ++at;
            continue;
        }
        size_t end = at + 1;
        while (end < text.size() && (g_ascii_isdigit(text[end]) || text[end] == '.' || text[end] == 'e'
                                     || text[end] == 'E' || text[end] == '+' || text[end] == '-'))
            ++end;
        const std::string_view token(text.data() + at, end - at);
        if (token.size() >= 5 && numberOutOfRange(token))
            text.replace(at, token.size(), "null" + std::string(token.size() - 4, ' '));
        at = end;
    }
}

// Passes the parser's events on to the document being built, refusing to go deeper than
// `maxJsonDepth` and turning numbers that are not finite into null. A refusal stops the parse at
// once, so the recursive parser never descends further than the bound.
class BoundedHandler {
public:
    explicit BoundedHandler(rapidjson::Document& next)
        : next_(next)
    {
    }

    bool Null() { return next_.Null(); }
    bool Bool(bool b) { return next_.Bool(b); }
    bool Int(int i) { return next_.Int(i); }
    bool Uint(unsigned u) { return next_.Uint(u); }
    bool Int64(int64_t i) { return next_.Int64(i); }
    bool Uint64(uint64_t u) { return next_.Uint64(u); }
    bool Double(double d) { return std::isfinite(d) ? next_.Double(d) : next_.Null(); }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool copy)
    {
        return next_.RawNumber(text, length, copy);
    }
    bool String(const char* text, rapidjson::SizeType length, bool copy) { return next_.String(text, length, copy); }
    bool Key(const char* text, rapidjson::SizeType length, bool copy) { return next_.Key(text, length, copy); }
    bool StartObject() { return enter() && next_.StartObject(); }
    bool EndObject(rapidjson::SizeType members)
    {
        --depth_;
        return next_.EndObject(members);
    }
    bool StartArray() { return enter() && next_.StartArray(); }
    bool EndArray(rapidjson::SizeType elements)
    {
        --depth_;
        return next_.EndArray(elements);
    }

private:
    bool enter() { return ++depth_ <= maxJsonDepth; }

    rapidjson::Document& next_;
    unsigned depth_ = 0;
};

} // namespace

std::string parseBuffer(std::string_view text)
{
    std::string buffer;
    buffer.reserve(text.size() + parsePadding);
    buffer.append(text);
    return buffer;
}

bool parseInPlace(std::string& text, rapidjson::Document& document)
{
    // Raw JSON text never holds a NUL byte, so GLib's check (which refuses NUL) fits here.
    if (!g_utf8_validate_len(text.data(), text.size(), nullptr))
        return false;
    const bool checkStrings = mayHoldSurrogateEscape(text);
    nullOutOfRangeNumbers(text);
    // The SSE2 string scan reads whole aligned 16-byte blocks, which may pass the end of the text;
    // room after it keeps those reads inside the buffer.
    if (text.capacity() < text.size() + parsePadding)
        text.reserve(text.size() + parsePadding);
    // The default number parser, not the full-precision one: the latter reads past its tables on
    // a long mantissa with a large exponent (found by fuzzing). A time may come back one unit in
    // the last place off, a fraction of a microsecond.
    bool parsed = false;
    auto generate = [&](rapidjson::Document& handler) {
        BoundedHandler bounded(handler);
        rapidjson::InsituStringStream stream(text.data());
        rapidjson::Reader reader;
        parsed = !reader.Parse<rapidjson::kParseInsituFlag>(stream, bounded).IsError();
        return parsed;
    };
    document.Populate(generate);
    if (!parsed) {
        document.SetNull();
        return false;
    }
    return !checkStrings || allStringsValid(document);
}

rapidjson::Value ownedCopy(const rapidjson::Value& value, rapidjson::Document::AllocatorType& allocator)
{
    if (value.IsString())
        return rapidjson::Value(value.GetString(), value.GetStringLength(), allocator);
    if (value.IsArray()) {
        rapidjson::Value copy(rapidjson::kArrayType);
        for (const auto& element : value.GetArray())
            copy.PushBack(ownedCopy(element, allocator), allocator);
        return copy;
    }
    if (value.IsObject()) {
        rapidjson::Value copy(rapidjson::kObjectType);
        for (const auto& member : value.GetObject())
            copy.AddMember(ownedCopy(member.name, allocator), ownedCopy(member.value, allocator), allocator);
        return copy;
    }
    rapidjson::Value copy;
    copy.CopyFrom(value, allocator);
    return copy;
}

bool isValidUtf8(std::string_view text)
{
    size_t start = 0;
    while (start <= text.size()) {
        size_t nul = text.find('\0', start);
        if (nul == std::string_view::npos)
            nul = text.size();
        if (!g_utf8_validate_len(text.data() + start, nul - start, nullptr))
            return false;
        start = nul + 1;
    }
    return true;
}

std::string validUtf8(std::string_view text)
{
    if (isValidUtf8(text))
        return std::string(text);
    std::string repaired;
    size_t start = 0;
    while (start <= text.size()) {
        size_t nul = text.find('\0', start);
        if (nul == std::string_view::npos)
            nul = text.size();
        g_autofree char* valid = g_utf8_make_valid(text.data() + start, static_cast<gssize>(nul - start));
        repaired += valid;
        if (nul < text.size())
            repaired.push_back('\0');
        start = nul + 1;
    }
    return repaired;
}

void writeString(Writer& writer, std::string_view text)
{
    // Checking first keeps the common case free of a copy.
    if (isValidUtf8(text)) {
        writer.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
        return;
    }
    const std::string repaired = validUtf8(text);
    writer.String(repaired.data(), static_cast<rapidjson::SizeType>(repaired.size()));
}

bool writesVerbatim(std::string_view text)
{
    // The writer escapes control characters, '"' and '\\'. The scan runs in fixed blocks
    // without a branch per byte, so that the compiler can check many bytes at once: a long text
    // is read at close to memory speed.
    constexpr size_t block = 64;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    unsigned char escaped = 0;
    unsigned char seen = 0;
    const auto scan = [&](size_t from, size_t count) {
        for (size_t i = from; i < from + count; ++i) {
            const unsigned char byte = bytes[i];
            escaped |= static_cast<unsigned char>((byte < 0x20) | (byte == '"') | (byte == '\\'));
            seen |= byte;
        }
    };
    size_t at = 0;
    for (; at + block <= text.size() && !escaped; at += block)
        scan(at, block);
    if (!escaped)
        scan(at, text.size() - at);
    if (escaped)
        return false;
    // Plain ASCII is valid UTF-8 as it is; only other bytes need the full check.
    return (seen & 0x80) == 0 || g_utf8_validate_len(text.data(), text.size(), nullptr);
}

} // namespace brimble::json
