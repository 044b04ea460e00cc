#include "sync/SyncMerge.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>

namespace brimble {
namespace {

struct EntryState {
    bool added = false;
    bool deleted = false;
    MergedEntry entry;
};

struct BlockState {
    bool exists = false;
    bool deleted = false;
    MergedBlock block;
};

struct SessionState {
    bool exists = false;
    bool deleted = false;
    MergedSession session;
};

// Two copies of one event (a conflict copy, a file read twice) keep one; should a hostile copy
// differ from the true one under the same id, the choice still does not depend on arrival order.
void keepEachEventOnce(std::vector<SyncEvent>& events)
{
    std::vector<size_t> order(events.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    // Lines are compared whole only between copies of one event, which are few.
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (events[a].eventId != events[b].eventId)
            return events[a].eventId < events[b].eventId;
        return encodeSyncEvent(events[a]) < encodeSyncEvent(events[b]);
    });
    std::vector<SyncEvent> unique;
    unique.reserve(events.size());
    for (size_t index : order) {
        if (!unique.empty() && unique.back().eventId == events[index].eventId)
            continue;
        unique.push_back(std::move(events[index]));
    }
    events = std::move(unique);
}

void applyEntryEvent(std::unordered_map<std::string, EntryState>& entries, const SyncEvent& event)
{
    for (const std::string& id : event.ids) {
        EntryState& state = entries[id];
        MergedEntry& entry = state.entry;
        switch (event.kind) {
        case SyncKind::Added:
            if (!state.added) {
                state.added = true;
                entry.id = id;
                entry.text = event.text;
                entry.kind = event.entryKind;
                entry.picture = event.picture;
            }
            entry.ts = std::max(entry.ts, event.ts);
            entry.pinned = event.pinned;
            entry.block = event.block;
            entry.session = event.session;
            break;
        case SyncKind::Touched:
            entry.ts = std::max(entry.ts, event.ts);
            break;
        case SyncKind::Pinned:
        case SyncKind::Unpinned:
            entry.pinned = event.kind == SyncKind::Pinned;
            break;
        case SyncKind::MovedToBlock:
            entry.block = event.block;
            break;
        case SyncKind::MovedToSession:
            entry.session = event.session;
            break;
        case SyncKind::Deleted:
            state.deleted = true;
            break;
        default:
            break;
        }
    }
}

} // namespace

MergedHistory mergeJournals(std::vector<SyncEvent> events, double now)
{
    MergedHistory merged;
    const size_t before = events.size();
    std::erase_if(events, [&](const SyncEvent& event) { return event.ts > now + maxClockLeadSeconds; });
    merged.heldBack = before - events.size();
    keepEachEventOnce(events);
    std::sort(events.begin(), events.end(), [](const SyncEvent& a, const SyncEvent& b) {
        return std::tie(a.ts, a.device, a.eventId) < std::tie(b.ts, b.device, b.eventId);
    });

    std::unordered_map<std::string, EntryState> entries;
    std::unordered_map<std::string, BlockState> blocks;
    std::unordered_map<std::string, SessionState> sessions;
    for (const SyncEvent& event : events) {
        switch (event.kind) {
        case SyncKind::BlockSet: {
            BlockState& state = blocks[event.ids.front()];
            state.exists = true;
            state.block.id = event.ids.front();
            state.block.session = event.session;
            if (event.name)
                state.block.name = *event.name;
            if (event.color)
                state.block.color = *event.color;
            if (event.blockPinned)
                state.block.pinned = *event.blockPinned;
            if (event.order)
                state.block.order = *event.order;
            break;
        }
        case SyncKind::BlockDeleted:
            blocks[event.ids.front()].deleted = true;
            break;
        case SyncKind::SessionSet: {
            SessionState& state = sessions[event.ids.front()];
            if (!state.exists && event.order)
                state.session.createdAt = *event.order;
            state.exists = true;
            state.session.id = event.ids.front();
            if (event.name)
                state.session.name = *event.name;
            break;
        }
        case SyncKind::SessionDeleted:
            sessions[event.ids.front()].deleted = true;
            break;
        default:
            applyEntryEvent(entries, event);
        }
    }

    for (auto& [id, state] : blocks) {
        if (state.deleted)
            merged.deletedBlocks.insert(id);
        else if (state.exists)
            merged.blocks.push_back(std::move(state.block));
    }
    std::sort(merged.blocks.begin(), merged.blocks.end(), [](const MergedBlock& a, const MergedBlock& b) {
        return std::tie(a.order, a.id) < std::tie(b.order, b.id);
    });
    for (auto& [id, state] : sessions) {
        if (state.deleted)
            merged.deletedSessions.insert(id);
        else if (state.exists)
            merged.sessions.push_back(std::move(state.session));
    }
    std::sort(merged.sessions.begin(), merged.sessions.end(), [](const MergedSession& a, const MergedSession& b) {
        return std::tie(a.createdAt, a.id) < std::tie(b.createdAt, b.id);
    });

    for (auto& [id, state] : entries) {
        if (state.deleted) {
            merged.deletedEntries.insert(id);
            continue;
        }
        if (!state.added)
            continue;
        MergedEntry& entry = state.entry;
        // An entry whose block went leaves the block, as it does on the device that deleted it.
        if (entry.block && merged.deletedBlocks.contains(*entry.block))
            entry.block.reset();
        if (merged.deletedSessions.contains(entry.session))
            entry.session = std::string(defaultSessionToken);
        merged.entries.push_back(std::move(entry));
    }
    std::sort(merged.entries.begin(), merged.entries.end(), [](const MergedEntry& a, const MergedEntry& b) {
        return a.ts != b.ts ? a.ts > b.ts : a.id < b.id;
    });
    return merged;
}

} // namespace brimble
