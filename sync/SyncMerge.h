#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sync/SyncEvent.h"

namespace brimble {

// An event dated further ahead of the reader's clock than this waits until the clock gets there:
// a device whose clock runs years ahead would otherwise win every later pin, name and colour.
inline constexpr double maxClockLeadSeconds = 24 * 60 * 60;

struct MergedEntry {
    std::string id;
    double ts = 0; // the newest capture or copy of it on any device
    std::string text;
    std::string kind = "text";
    std::string picture; // "<sha-256>.<ext>" for a picture
    std::vector<ClipFormat> formats;
    bool pinned = false;
    std::optional<std::string> block;
    std::string session;

    bool operator==(const MergedEntry&) const = default;
};

struct MergedBlock {
    std::string id;
    std::string name;
    std::string color;
    bool pinned = false;
    std::string session;
    double order = 0;

    bool operator==(const MergedBlock&) const = default;
};

struct MergedSession {
    std::string id;
    std::string name;
    double createdAt = 0;

    bool operator==(const MergedSession&) const = default;
};

// The one history that every device reading the same journals reaches.
struct MergedHistory {
    std::vector<MergedEntry> entries; // newest first, ties by id
    std::set<std::string> deletedEntries;
    std::vector<MergedBlock> blocks; // by rank, ties by id
    std::set<std::string> deletedBlocks;
    std::vector<MergedSession> sessions; // by creation, ties by id
    std::set<std::string> deletedSessions;
    size_t heldBack = 0; // events dated too far ahead of `now`

    bool operator==(const MergedHistory&) const = default;
};

// Merges the events of every journal, in whatever order they arrived and however often each was
// read. Events count once each (by event id) and apply in the order of their time, then device,
// then event id, so the last writer wins for pins, blocks, sessions, names and colours. A delete
// is final: it wins over every edit of the entry, before it or after, so two devices can never
// disagree about whether an entry lives. A clear names the entries it saw and removes only those.
// (The fold that does it, one line at a time, is SyncFold.)
MergedHistory mergeJournals(std::vector<SyncEvent> events, double now);

} // namespace brimble
