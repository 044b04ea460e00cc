#pragma once

#include <string>
#include <string_view>

namespace brimble {

// Texts are equal when they are canonically equivalent Unicode, as the history has always
// compared them: "é" typed as one code point equals "e" followed by a combining acute accent.

// The canonical composition (NFC) of UTF-8 text; ill-formed bytes pass through unchanged.
std::string canonicalForm(std::string_view utf8);

// Whether two UTF-8 texts are canonically equivalent.
bool canonicallyEqual(std::string_view a, std::string_view b);

// `text` case-folded for comparing names while ignoring case. Bytes that are not UTF-8 (a window
// class or an application id is whatever its program sent) become U+FFFD first, so the folding
// never reads past a sequence that the text cuts short.
std::string caseFolded(std::string_view text);

// Compares many texts against one. The common case, texts with no combining marks or other
// characters that normalisation could change, costs one byte comparison and one byte scan.
class CanonicalMatcher {
public:
    explicit CanonicalMatcher(std::string_view text);

    bool matches(std::string_view other) const;

private:
    std::string text_;
    std::string canonical_;
};

} // namespace brimble
