#include "common/UnicodeText.h"

#include <algorithm>

#include <glib.h>
#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>
#include <unicode/stringpiece.h>

namespace brimble {

namespace {

const icu::Normalizer2* composer()
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    return U_SUCCESS(status) ? nfc : nullptr;
}

// Every code point below U+0300 is already composed and composes with nothing that follows it,
// so text made only of them is in NFC. In UTF-8 that is text without a byte of 0xCC or above.
bool isTriviallyComposed(std::string_view utf8)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    const size_t size = utf8.size();
    constexpr size_t block = 64;
    size_t i = 0;
    // Blocks without an early exit let the compiler vectorise the scan.
    for (; i + block <= size; i += block) {
        unsigned char highest = 0;
        for (size_t k = 0; k < block; ++k)
            highest = std::max(highest, bytes[i + k]);
        if (highest >= 0xCC)
            return false;
    }
    for (; i < size; ++i)
        if (bytes[i] >= 0xCC)
            return false;
    return true;
}

bool isComposed(std::string_view utf8)
{
    if (isTriviallyComposed(utf8))
        return true;
    const icu::Normalizer2* nfc = composer();
    if (!nfc)
        return true;
    UErrorCode status = U_ZERO_ERROR;
    const bool normalized =
        nfc->isNormalizedUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())), status);
    return U_SUCCESS(status) && normalized;
}

} // namespace

std::string canonicalForm(std::string_view utf8)
{
    if (isTriviallyComposed(utf8))
        return std::string(utf8);
    const icu::Normalizer2* nfc = composer();
    if (!nfc)
        return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    icu::StringByteSink<std::string> sink(&out);
    UErrorCode status = U_ZERO_ERROR;
    nfc->normalizeUTF8(0, icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())), sink,
                       nullptr, status);
    if (U_FAILURE(status))
        return std::string(utf8);
    return out;
}

std::string caseFolded(std::string_view text)
{
    const auto length = static_cast<gssize>(text.size());
    g_autofree gchar* valid = nullptr;
    const gchar* start = text.data();
    if (!g_utf8_validate_len(text.data(), text.size(), nullptr)) {
        valid = g_utf8_make_valid(text.data(), length);
        start = valid;
    }
    g_autofree gchar* folded = g_utf8_casefold(start, valid ? -1 : length);
    return folded ? std::string(folded) : std::string();
}

bool canonicallyEqual(std::string_view a, std::string_view b)
{
    return CanonicalMatcher(a).matches(b);
}

CanonicalMatcher::CanonicalMatcher(std::string_view text)
    : text_(text), canonical_(canonicalForm(text))
{
}

bool CanonicalMatcher::matches(std::string_view other) const
{
    if (other == text_ || other == canonical_)
        return true;
    // Two different texts that are both composed cannot be equivalent.
    if (isComposed(other))
        return false;
    return canonicalForm(other) == canonical_;
}

} // namespace brimble
