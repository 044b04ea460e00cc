#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace brimble {

class ClipboardStore;
class Clock;
class Defaults;
class FrontmostApp;
class ImageCodec;
class Pasteboard;

// The picture recorded last, by a digest of the bytes its owner sent and the encoding chosen
// for it. Programs announce the same picture again (some at every focus change); it is then
// moved to the front by the digest, without decoding, scaling and encoding it once more.
struct LastPicture {
    std::string sourceDigest; // the owner's bytes, with the encoding chosen for them
    std::string sig;          // the entry's file, as `Clip::sig`
};

// The platform services one capture tick reads, and what the tick is told about its change.
struct CaptureServices {
    Pasteboard& pasteboard;
    FrontmostApp& frontmost;
    ImageCodec& codec;
    const Defaults& defaults;
    Clock& clock;
    // The application in front when the copy was made, noted when its owner took the
    // clipboard; when nothing was noted, the one in front now is asked.
    std::optional<std::vector<std::string>> frontmostAtCopy;
    // The picture recorded last; none keeps nothing between ticks.
    LastPicture* lastPicture = nullptr;
};

enum class PushNeeded { No, Yes };

enum class CaptureOutcome { Nothing, Recorded, Skipped };

// What became of the last content seen on the clipboard. Only a copy recorded here may be put
// back when its owner quits: anything else (a password, a copy made while paused or from an
// excluded app, one refused as too large) was never the user's to keep.
struct LastCapture {
    CaptureOutcome outcome = CaptureOutcome::Nothing;
    std::string clipId;        // the entry it was recorded as
    bool markedSecret = false; // a password marker was on offer, whether or not it was recorded
    // The change whose kept formats are still being read for `clipId`; 0 when none are awaited.
    int64_t formatsChange = 0;
};

// One tick: consumes a clipboard change (also while paused), filters it and records it in the
// current session. A copy whose owner did not list all its types is recorded only while
// "recordSecrets" is on: a password marker may be among the types missing. Says whether the
// page must be refreshed. Running it twice is harmless.
// `lastCapture` is updated for each change that leaves an owner on the clipboard; an emptied
// clipboard is no content, so the copy that was on it before stays the one remembered.
PushNeeded pollPasteboard(CaptureServices& services, ClipboardStore& store, int64_t& clipLastChange,
                          LastCapture& lastCapture, const std::function<std::string()>& currentSessionId);

// Gives the entry `lastCapture` recorded the kept formats read after its text, when they are
// that change's: formats of an older change, or of a change that was not recorded, are dropped,
// so they never land on another entry. An entry deleted meanwhile gets nothing. Says whether
// the page must be refreshed.
PushNeeded attachLateFormats(Pasteboard& pasteboard, ClipboardStore& store, LastCapture& lastCapture);

// "PNG · 1920×1080": the format word from the offered types and the nominal size.
std::string imageLabel(const std::set<std::string>& types, double width, double height);

// Longest text recorded, in user-perceived characters.
inline constexpr size_t maxTextGraphemes = 50000;
// Longest text recorded, in bytes of UTF-8 (2 MiB). 50,000 characters of any script, or of the
// longest emoji sequences, stay below it; a text of millions of combining marks on one letter
// counts as a single character and would otherwise be kept, rewritten on every save and sent to
// the page whole.
inline constexpr size_t maxTextBytes = 2 * 1024 * 1024;

// Extended grapheme clusters in UTF-8 text.
size_t graphemeCount(const std::string& utf8);

// Whether the text is empty once Unicode white space and line breaks are removed at both ends.
bool isBlankText(const std::string& utf8);

} // namespace brimble
