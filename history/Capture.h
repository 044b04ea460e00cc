#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>

namespace brimble {

class ClipboardStore;
class Clock;
class Defaults;
class FrontmostApp;
class ImageCodec;
class Pasteboard;

// The platform services one capture tick reads.
struct CaptureServices {
    Pasteboard& pasteboard;
    FrontmostApp& frontmost;
    ImageCodec& codec;
    const Defaults& defaults;
    Clock& clock;
};

enum class PushNeeded { No, Yes };

// One tick: consumes a clipboard change (also while paused), filters it and records it in the
// current session. Says whether the page must be refreshed. Running it twice is harmless.
PushNeeded pollPasteboard(CaptureServices& services, ClipboardStore& store, int64_t& clipLastChange,
                          const std::function<std::string()>& currentSessionId);

// "PNG · 1920×1080": the format word from the offered types and the nominal size.
std::string imageLabel(const std::set<std::string>& types, double width, double height);

// Longest text recorded, in user-perceived characters.
inline constexpr size_t maxTextGraphemes = 50000;

// Extended grapheme clusters in UTF-8 text.
size_t graphemeCount(const std::string& utf8);

// Whether the text is empty once Unicode white space and line breaks are removed at both ends.
bool isBlankText(const std::string& utf8);

} // namespace brimble
