#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "history/ClipboardStore.h"

namespace brimble {

// What a removal was, for the words the page shows with its undo.
enum class RemovalKind { Deleted, Cleared };

// The removals the user can still take back: each is kept for `keepSeconds`, and the picture
// and format files its entries name stay on disk until then.
class UndoShelf {
public:
    static constexpr double keepSeconds = 10;

    // What the page offers to undo in a session: its latest removal there.
    struct Offer {
        RemovalKind kind = RemovalKind::Deleted;
        size_t count = 0;
        uint64_t serial = 0; // tells one removal from the next
    };

    // Keeps what a removal in `sessionId` took, until `now + keepSeconds`. Returns the removal's
    // serial, or 0 when it took nothing.
    uint64_t put(ClipboardStore& store, RemovalKind kind, const std::string& sessionId,
                 std::vector<RemovedEntry> removed, double now);
    // The latest removal in `sessionId` still kept at `now`. A removal made in another session
    // is not offered there: undoing it would bring back entries the user cannot see.
    std::optional<Offer> offer(const std::string& sessionId, double now) const;
    // Puts the session's latest removal back; the fresh ids of the entries back, or none when
    // there was nothing to undo.
    std::vector<std::string> undo(ClipboardStore& store, const std::string& sessionId, double now,
                                  const std::function<bool(const std::string&)>& blockKnown);
    // Forgets the removals kept past their time; the files only they named are pruned. Returns
    // whether one was forgotten.
    bool expire(ClipboardStore& store, double now);

private:
    struct Removal {
        RemovalKind kind;
        std::string sessionId;
        std::vector<RemovedEntry> entries;
        double until = 0;
        uint64_t serial = 0;
    };
    // Tells the store which files the kept removals still need.
    void holdFiles(ClipboardStore& store) const;

    std::vector<Removal> removals_; // oldest first
    uint64_t lastSerial_ = 0;
};

} // namespace brimble
