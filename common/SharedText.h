#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace brimble {

// An immutable text shared by its copies. A history entry's text may be 50,000 characters and
// the entry is copied into snapshots, caches and lookups; copying this copies a pointer. It reads
// like a `const std::string&`; giving it a new text replaces the buffer, never changes the one
// that other copies share.
class SharedText {
public:
    SharedText() = default;
    // Takes the string's buffer without copying it when given an rvalue.
    SharedText(std::string text);
    SharedText(const char* text);

    SharedText& operator=(std::string text);
    SharedText& operator=(const char* text);

    const std::string& str() const { return text_ ? *text_ : empty_; }
    operator const std::string&() const { return str(); }
    operator std::string_view() const { return str(); }

    size_t size() const { return str().size(); }
    bool empty() const { return str().empty(); }
    const char* data() const { return str().data(); }
    const char* c_str() const { return str().c_str(); }

    // Whether both hold the very same buffer (an empty text shares with every other empty one).
    bool sharesBufferWith(const SharedText& other) const { return text_ == other.text_ || (empty() && other.empty()); }

    // Copies that share a buffer are equal without reading it; otherwise the contents decide.
    friend bool operator==(const SharedText& a, const SharedText& b)
    {
        return a.text_ == b.text_ || a.str() == b.str();
    }
    friend bool operator==(const SharedText& a, const std::string& b) { return a.str() == b; }
    friend bool operator==(const SharedText& a, std::string_view b) { return a.str() == b; }
    friend bool operator==(const SharedText& a, const char* b) { return a.str() == b; }

private:
    static const std::string empty_;
    std::shared_ptr<const std::string> text_;
};

std::ostream& operator<<(std::ostream& out, const SharedText& text);

} // namespace brimble
