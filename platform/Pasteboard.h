#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/ImageCodec.h"

namespace brimble {

// The system clipboard, seen through portable type identifiers such as "public.utf8-plain-text".
class Pasteboard {
public:
    Pasteboard() = default;
    Pasteboard(const Pasteboard&) = delete;
    Pasteboard& operator=(const Pasteboard&) = delete;
    virtual ~Pasteboard() = default;

    // A counter that changes whenever the clipboard's content changes, our own writes included.
    virtual int64_t changeCount() = 0;
    // The type identifiers on offer now (unknown targets pass through unchanged).
    virtual std::set<std::string> types() = 0;
    // The plain text on offer, as UTF-8, or nothing.
    virtual std::optional<std::string> text() = 0;
    // A picture made from the clipboard, or nothing when none can be made.
    virtual std::unique_ptr<PlatformImage> image() = 0;
    // Whether no program holds the clipboard now: its owner quit or let it go, so it is empty.
    virtual bool isOwnerless() = 0;
    // Empties the clipboard before a write.
    virtual void clear() = 0;
    // Puts plain text on the clipboard; the change count moves at once.
    virtual void writeText(const std::string& text) = 0;
    // Puts a picture on the clipboard; the change count moves at once.
    virtual void writeImage(const PlatformImage& image) = 0;
    // Calls `onMaybeChanged` on the main loop whenever the clipboard may have changed: at each
    // change where the display reports them, otherwise on a 0.7 s timer. Started at most once.
    virtual void watch(std::function<void()> onMaybeChanged) = 0;
};

} // namespace brimble
