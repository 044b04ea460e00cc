#include "common/JsonText.h"

#include <glib.h>

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
    // The SSE2 string scan reads whole aligned 16-byte blocks, which may pass the end of the text;
    // room after it keeps those reads inside the buffer.
    if (text.capacity() < text.size() + parsePadding)
        text.reserve(text.size() + parsePadding);
    // The default number parser, not the full-precision one: the latter reads past its tables on
    // a long mantissa with a large exponent (found by fuzzing). A time may come back one unit in
    // the last place off, a fraction of a microsecond.
    document.ParseInsitu(text.data());
    if (document.HasParseError())
        return false;
    return !checkStrings || allStringsValid(document);
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
