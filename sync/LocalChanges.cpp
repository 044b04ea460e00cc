#include "sync/LocalChanges.h"

#include "common/Uuid.h"
#include "history/ClipboardStore.h"
#include "sessions/SessionStore.h"

namespace brimble {
namespace {

SyncEvent makeEvent(const SyncScope& scope, double now, SyncKind kind, std::vector<std::string> ids)
{
    SyncEvent event;
    event.eventId = newUuid();
    event.device = scope.device;
    event.ts = now;
    event.kind = kind;
    event.ids = std::move(ids);
    return event;
}

std::optional<std::string> sharedBlock(const std::optional<std::string>& block)
{
    if (block && isSyncId(*block))
        return block;
    return std::nullopt;
}

} // namespace

std::optional<std::string> LocalChanges::sharedSession(const std::string& sessionId, const SyncScope& scope)
{
    if (sessionId == scope.defaultSessionId)
        return std::string(defaultSessionToken);
    if (scope.localSessions.contains(sessionId) || !isSyncId(sessionId))
        return std::nullopt;
    return sessionId;
}

void LocalChanges::reset(const ClipboardStore& clips, const SessionStore& sessions)
{
    entries_.clear();
    blocks_.clear();
    sessions_.clear();
    limitedOut_.clear();
    for (const Clip& clip : clips.items)
        entries_[clip.id] = EntryState{clip.ts, clip.pinned, clip.blockId, clip.sessionId};
    for (const Block& block : sessions.blocks)
        blocks_[block.id] = BlockState{block.name, block.color, block.pinned, block.sessionId};
    for (const Session& session : sessions.sessions)
        sessions_[session.id] = session.name;
}

void LocalChanges::forgetUnshared(const std::set<std::string>& sharedEntries, const std::set<std::string>& sharedBlocks)
{
    std::erase_if(entries_, [&](const auto& item) { return !sharedEntries.contains(item.first); });
    std::erase_if(blocks_, [&](const auto& item) { return !sharedBlocks.contains(item.first); });
    sessions_.clear();
}

std::vector<SyncEvent> LocalChanges::collect(const ClipboardStore& clips, const SessionStore& sessions,
                                             const SyncScope& scope, double now,
                                             const std::function<bool(const Clip&, SyncEvent&)>& share)
{
    std::vector<SyncEvent> events;

    // Sessions and blocks first, so that a reader meets them before the entries that name them.
    std::map<std::string, std::string> sessionsNow;
    for (const Session& session : sessions.sessions) {
        sessionsNow[session.id] = session.name;
        const auto shared = sharedSession(session.id, scope);
        const auto before = sessions_.find(session.id);
        if (!shared || (before != sessions_.end() && before->second == session.name))
            continue;
        SyncEvent event = makeEvent(scope, now, SyncKind::SessionSet, {*shared});
        event.name = session.name;
        event.order = session.createdAt;
        events.push_back(std::move(event));
    }
    std::map<std::string, BlockState> blocksNow;
    for (const Block& block : sessions.blocks) {
        const BlockState state{block.name, block.color, block.pinned, block.sessionId};
        blocksNow[block.id] = state;
        const auto shared = sharedSession(block.sessionId, scope);
        if (!shared || !isSyncId(block.id))
            continue;
        const auto before = blocks_.find(block.id);
        const bool isNew = before == blocks_.end();
        SyncEvent event = makeEvent(scope, now, SyncKind::BlockSet, {block.id});
        event.session = *shared;
        if (isNew || before->second.name != state.name)
            event.name = state.name;
        if (isNew || before->second.color != state.color)
            event.color = state.color;
        if (isNew || before->second.pinned != state.pinned)
            event.blockPinned = state.pinned;
        if (isNew)
            event.order = static_cast<double>(block.order);
        if (isNew || event.name || event.color || event.blockPinned || before->second.session != state.session)
            events.push_back(std::move(event));
    }
    for (const auto& [id, state] : blocks_)
        if (!blocksNow.contains(id) && sharedSession(state.session, scope) && isSyncId(id))
            events.push_back(makeEvent(scope, now, SyncKind::BlockDeleted, {id}));

    std::map<std::string, EntryState> entriesNow;
    std::vector<std::string> gone;
    std::set<std::string> pending; // pictures that could not be stored yet: tried again next time
    for (const Clip& clip : clips.items) {
        const EntryState state{clip.ts, clip.pinned, clip.blockId, clip.sessionId};
        entriesNow[clip.id] = state;
        if (!isSyncId(clip.id))
            continue;
        const auto shared = sharedSession(clip.sessionId, scope);
        auto before = entries_.find(clip.id);
        const bool wasShared = before != entries_.end() && sharedSession(before->second.session, scope);
        // Moved into a session kept on this machine: gone from the shared history.
        if (!shared) {
            if (wasShared)
                gone.push_back(clip.id);
            continue;
        }
        // The entry whole, as its capture or a copy made again journals it.
        const auto whole = [&](SyncKind kind) -> std::optional<SyncEvent> {
            SyncEvent event = makeEvent(scope, clip.ts, kind, {clip.id});
            event.text = clip.text.str();
            event.entryKind = clip.kind;
            event.pinned = clip.pinned;
            event.session = *shared;
            event.block = sharedBlock(clip.blockId);
            if (!share(clip, event))
                return std::nullopt;
            return event;
        };
        if (!wasShared) {
            if (auto event = whole(SyncKind::Added))
                events.push_back(std::move(*event));
            else
                pending.insert(clip.id);
            continue;
        }
        const EntryState& old = before->second;
        if (state.ts > old.ts) {
            auto event = whole(SyncKind::Touched);
            events.push_back(event ? std::move(*event) : makeEvent(scope, state.ts, SyncKind::Touched, {clip.id}));
        }
        if (state.pinned != old.pinned)
            events.push_back(makeEvent(scope, now, state.pinned ? SyncKind::Pinned : SyncKind::Unpinned, {clip.id}));
        if (state.block != old.block) {
            SyncEvent event = makeEvent(scope, now, SyncKind::MovedToBlock, {clip.id});
            event.block = sharedBlock(state.block);
            events.push_back(std::move(event));
        }
        if (state.session != old.session) {
            SyncEvent event = makeEvent(scope, now, SyncKind::MovedToSession, {clip.id});
            event.session = *shared;
            events.push_back(std::move(event));
        }
    }
    // What went from the stores was deleted, or cleared, unless the history limit took it out of
    // this device's view. One event names everything that went at once, as a clear saw it.
    for (const auto& [id, state] : entries_)
        if (!entriesNow.contains(id) && !limitedOut_.contains(id) && sharedSession(state.session, scope) && isSyncId(id))
            gone.push_back(id);
    if (!gone.empty())
        events.push_back(makeEvent(scope, now, SyncKind::Deleted, std::move(gone)));

    for (const std::string& id : pending)
        entriesNow.erase(id);
    entries_ = std::move(entriesNow);
    blocks_ = std::move(blocksNow);
    sessions_ = std::move(sessionsNow);
    limitedOut_.clear();
    return events;
}

} // namespace brimble
