#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ImageCodec.h"
#include "platform/KeptFormats.h"

namespace brimble {

// Everything one write of the program's own puts on the clipboard: the text (offered under every
// plain-text name), or a picture, and the kept formats beside them.
struct ClipboardWrite {
    std::optional<std::string> text;
    const PlatformImage* image = nullptr;
    std::vector<ExtraFormat> formats;
};

// Kept formats of a change that were read after its text or picture: the change they belong to
// (a `changeCount()` value) and the formats that came whole.
struct LateFormats {
    int64_t change = 0;
    std::vector<ExtraFormat> formats;
};

// What the program asks to be told about the clipboard.
struct PasteboardWatch {
    // Runs at once when another program takes the clipboard, before anything of it is read: what
    // belongs to the moment of the copy, such as the application in front, is noted here.
    std::function<void()> onOwnerChanged;
    // Runs on the main loop whenever the clipboard may have changed: at each change where the
    // display reports them (once its content is read), otherwise on a 0.7 s timer.
    std::function<void()> onMaybeChanged;
    // Runs on the main loop, never inside a write, once the kept formats of a change whose
    // `formatsPending()` said so have been read, or their read has ended early (a newer copy,
    // the owner gone, the program's own write): `takeLateFormats` then hands them over.
    std::function<void()> onLateFormats;
};

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
    // Whether `types` names every type on offer: false when the owner did not list them in time
    // or listed more than are read, so that a password marker may be among those missing.
    virtual bool typesComplete() = 0;
    // The plain text on offer, as UTF-8, or nothing.
    virtual std::optional<std::string> text() = 0;
    // A picture made from the clipboard, or nothing when none can be made. It is decoded as the
    // type it was asked for, never by what its bytes look like.
    virtual std::unique_ptr<PlatformImage> image() = 0;
    // The SHA-256 of the picture's bytes as its owner sent them, in hexadecimal, or nothing when
    // no picture was read: a picture announced again with the same digest is the same picture.
    virtual std::optional<std::string> pictureDigest() = 0;
    // The kept formats read beside the text or picture (`KeptFormats`), each whole; a format
    // that was too large or too slow is left out. Valid until the next read; never copied, as
    // a format may run to megabytes.
    virtual const std::vector<ExtraFormat>& extraFormats() = 0;
    // Whether this change's kept formats are still read after its text or picture, so that the
    // entry is recorded at once: they then come through `takeLateFormats`, never `extraFormats`.
    virtual bool formatsPending() = 0;
    // The late formats read last, once; nothing when none wait.
    virtual std::optional<LateFormats> takeLateFormats() = 0;
    // Whether no program holds the clipboard now: its owner quit or let it go, so it is empty.
    virtual bool isOwnerless() = 0;
    // Empties the clipboard before a write.
    virtual void clear() = 0;
    // Puts plain text on the clipboard; the change count moves at once.
    virtual void writeText(const std::string& text) = 0;
    // Puts a picture on the clipboard; the change count moves at once.
    virtual void writeImage(const PlatformImage& image) = 0;
    // Puts text or a picture on the clipboard with kept formats beside it; the change count
    // moves at once.
    virtual void write(const ClipboardWrite& content) = 0;
    // Starts telling `watch` about the clipboard's changes. Started at most once.
    virtual void watch(PasteboardWatch watch) = 0;
    // Whether changes can still be seen: false once the connection they come through is lost
    // and not yet made again. Capture then records nothing, and the page must say so.
    virtual bool isConnected() = 0;
};

} // namespace brimble
