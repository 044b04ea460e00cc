#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/KeptFormats.h"

namespace brimble::wayland {

// What the clipboard held when it was last read: the answers of `Pasteboard`'s reads.
struct ClipboardContent {
    std::vector<std::string> mimeTypes; // as offered, each once
    std::optional<std::string> text;
    std::optional<std::string> picture; // the bytes of the preferred picture type
    std::string pictureType;            // that type, the one loader the bytes may be decoded with
    bool typesComplete = true;          // false when the offer listed more types than are kept
    std::vector<ExtraFormat> formats;   // the kept formats read whole
    bool formatsFollow = false;         // the kept formats are still being read, and come apart
};

// The change counter and the last content of the regular selection, apart from the protocol:
// the data-control client reports what the compositor announces and what its reads returned,
// and this decides what counts as a change.
//
// A foreign selection counts once its content has been read, so a tick always sees the content
// of the change it is told about. Brimble's own write counts at the write; its echo, recognised
// by the marker type, does not count again. A selection that a newer one replaced while its
// reads were running is dropped unread, yet counted: every change of owner moves the counter.
class SelectionState {
public:
    explicit SelectionState(std::string ownMarker);

    enum class Next { Nothing, Read, Tick };
    enum class Baseline { No, Yes };

    // The compositor announced a new selection: its MIME types, or nothing when the clipboard
    // became empty. A baseline announcement (the clipboard as it was when the program started)
    // is never counted as a change. Says whether to read the offer, to tick, or neither.
    Next announce(const std::optional<std::vector<std::string>>& mimeTypes, Baseline baseline = Baseline::No);
    // The reads of the selection being read are done; false when it was replaced meanwhile.
    bool finishReading(uint64_t generation, ClipboardContent content);
    // Brimble put `content` on the clipboard itself.
    void wroteOwn(ClipboardContent content);

    // The selection whose reads are awaited; a later announcement moves it on.
    uint64_t generation() const { return generation_; }
    int64_t changeCount() const { return count_; }
    const ClipboardContent& content() const { return content_; }
    std::set<std::string> types() const;
    bool isOwnerless() const { return ownerless_; }
    const std::string& ownMarker() const { return ownMarker_; }

private:
    std::string ownMarker_;
    int64_t count_ = 1;
    uint64_t generation_ = 0;
    bool reading_ = false;
    bool ownerless_ = false;
    ClipboardContent content_;
};

} // namespace brimble::wayland
