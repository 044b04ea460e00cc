#pragma once

#include <cstddef>
#include <filesystem>
#include <set>
#include <string>

#include "sync/LocalChanges.h"
#include "sync/SyncMerge.h"

namespace brimble {

class ClipboardStore;
class SessionStore;

// What applying the merged history changed in this device's stores.
struct ViewChange {
    size_t added = 0;   // entries that came from another device
    size_t changed = 0; // entries, blocks and sessions edited or removed
    size_t waiting = 0; // placeholders whose picture has not arrived yet
    std::set<std::string> awaitedFormats; // kept formats of entries held here, not arrived yet
    bool any() const { return added + changed > 0; }
};

// Makes the local stores the merged history, so that the rest of the program works on
// "clipboard.json", "sessions.json" and "blocks.json" as before. Sessions kept on this machine
// are left alone. The history limit applies to this device's view afterwards: entries it would
// take out at once are not brought in, and pinned entries are always kept. A text that capture
// would refuse (blank, too long) is not taken from another device either; an entry whose picture
// has not arrived comes as a placeholder (`awaitsPicture`) and gets its picture once it arrives.
ViewChange applyMergedHistory(const MergedHistory& merged, ClipboardStore& clips, SessionStore& sessions,
                              const SyncScope& scope, const std::filesystem::path& folder, size_t historyLimit);

// Whether the shared folder now holds a picture that a placeholder of `clips` waits for.
bool awaitedPictureArrived(const ClipboardStore& clips, const std::filesystem::path& folder);

} // namespace brimble
