#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/JsonText.h"
#include "history/Clip.h"

namespace brimble {

// What one line of a device's journal says happened.
enum class SyncKind {
    Added,          // an entry, with its text or its picture's content name
    Touched,        // copied again: the entry's time moves on; it carries the entry whole, as Added
                    // does, for a device whose snapshot left the capture out
    Pinned,
    Unpinned,
    MovedToBlock,   // `block` empty: out of every block
    MovedToSession,
    Deleted,        // deleted, or cleared: names exactly the entries it saw
    BlockSet,       // a block created, renamed, recoloured, pinned or unpinned
    BlockDeleted,
    SessionSet,     // a session created or renamed
    SessionDeleted,
};

// One change as a device journals it. Entries, blocks and sessions are named by globally unique
// ids, so two devices never give one id to two things; the event's own id makes a line read twice
// (a conflict copy, a file read again) count once.
struct SyncEvent {
    std::string eventId;
    std::string device;
    double ts = 0;
    SyncKind kind = SyncKind::Added;
    std::vector<std::string> ids; // the entries concerned; for blocks and sessions, the one target

    // Added: the entry as it was captured.
    std::string text;
    std::string entryKind = "text"; // "text" or "image"
    std::string picture;            // "<sha-256>.<ext>" in the shared pictures folder
    std::vector<ClipFormat> formats; // kept formats, each its type and "<sha-256>" in the shared formats folder
    bool pinned = false;
    // Added, MovedToBlock, BlockSet: the block; MovedToSession, Added, BlockSet: the session.
    std::optional<std::string> block;
    std::string session;

    // BlockSet, SessionSet: the fields it sets (absent: unchanged).
    std::optional<std::string> name;
    std::optional<std::string> color;
    std::optional<bool> blockPinned;
    std::optional<double> order; // a block's rank, a session's creation time

    bool operator==(const SyncEvent&) const = default;
};

// The session every device has from its first start. Each device names its own first session
// this way in its journal, so the default sessions of all devices are one and the same.
inline constexpr std::string_view defaultSessionToken = "default";

// The journal line of `event` (one JSON object, no line break).
std::string encodeSyncEvent(const SyncEvent& event);
// The event of one journal line; nothing when the line is not one of ours or is malformed.
std::optional<SyncEvent> decodeSyncEvent(std::string_view line);

// Whether `text` looks like an id this program makes (a UUID, either case).
bool isSyncId(std::string_view text);
// A session is named by an id, or by the token shared by every device's first session.
bool isSessionName(std::string_view text);
// "<64 hex digits>.png" or ".jpg": anything else could name a path outside the pictures folder.
bool isPictureName(std::string_view text);

// An entry's kept formats as a line holds them: `[[type, "<sha-256>"], ...]`.
void writeFormats(json::Writer& writer, const std::vector<ClipFormat>& formats);
// The kept formats of a line's member; a format of a type not kept, or naming anything but a
// content name, is left out, and the entry keeps the rest.
std::vector<ClipFormat> readFormats(const rapidjson::Value& value);

} // namespace brimble
