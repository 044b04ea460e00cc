#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sync/SyncEvent.h"

namespace brimble {

class ClipboardStore;
class SessionStore;
struct Clip;

// How this device's history is shared: which session is its default, and which sessions stay
// on this machine.
struct SyncScope {
    std::string device;
    std::string defaultSessionId;       // this device's first session, "default" in the journals
    std::set<std::string> localSessions; // never journaled
};

// Turns what the user changed since the last look into journal events, by comparing the stores
// with what they held then. The rest of the program changes the stores as it always has and
// never hears of sync; whatever path a change took (a page command, a capture, a menu, a
// setting), it is journaled once.
class LocalChanges {
public:
    // Takes the stores as they are as already shared.
    void reset(const ClipboardStore& clips, const SessionStore& sessions);

    // The events that bring the shared history up to the stores, at `now`; the stores become the
    // new reference. `share` puts an entry's picture and kept formats in the shared folder and
    // names them in its event; an entry whose files cannot be stored yet is left for the next look. An entry the history
    // limit took out (`limitedOut`) is gone from this device's view only, not deleted.
    std::vector<SyncEvent> collect(const ClipboardStore& clips, const SessionStore& sessions, const SyncScope& scope,
                                   double now, const std::function<bool(const Clip&, SyncEvent&)>& share);

    // Forgets what the shared history has never seen, so that the next `collect` journals it:
    // what this device held before sync was switched on, or wrote while the folder was away.
    void forgetUnshared(const std::set<std::string>& sharedEntries, const std::set<std::string>& sharedBlocks);

    // Notes an entry that the history limit took out of this device's view.
    void limitedOut(const std::string& id) { limitedOut_.insert(id); }

    // The journal's name of a local session, or nothing for one that stays local.
    static std::optional<std::string> sharedSession(const std::string& sessionId, const SyncScope& scope);

private:
    struct EntryState {
        double ts = 0;
        bool pinned = false;
        std::optional<std::string> block;
        std::string session;
    };
    struct BlockState {
        std::string name;
        std::string color;
        bool pinned = false;
        std::string session;
    };
    std::map<std::string, EntryState> entries_;
    std::map<std::string, BlockState> blocks_;
    std::map<std::string, std::string> sessions_; // id to name
    std::set<std::string> limitedOut_;
};

} // namespace brimble
