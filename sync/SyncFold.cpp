#include "sync/SyncFold.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <functional>
#include <tuple>
#include <unordered_set>

#include "sync/SyncSnapshot.h"

namespace brimble {
namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The first capture wins: an ordinary write before a weak one, then the earlier stamp.
bool firstBefore(const SyncStamp& a, const SyncStamp& b)
{
    if (a.rank != b.rank)
        return a.rank > b.rank;
    return a < b;
}

} // namespace

uint64_t idKey(std::string_view id)
{
    uint64_t key = 0;
    int digits = 0;
    for (char c : id) {
        if (c == '-')
            continue;
        const int value = hexValue(c);
        if (value < 0)
            return 0;
        key = key << 4 | static_cast<uint64_t>(value);
        if (++digits == 16)
            break;
    }
    return key;
}

SyncStamp stampOf(const SyncEvent& event, int8_t rank)
{
    return SyncStamp{event.ts, idKey(event.device), static_cast<uint32_t>(idKey(event.eventId) >> 32), rank};
}

std::optional<EntryKey> EntryKey::of(std::string_view id)
{
    if (!isSyncId(id))
        return std::nullopt;
    const bool lower = std::any_of(id.begin(), id.end(), [](char c) { return c >= 'a' && c <= 'f'; });
    const bool upper = std::any_of(id.begin(), id.end(), [](char c) { return c >= 'A' && c <= 'F'; });
    if (lower && upper)
        return std::nullopt;
    std::string digits;
    for (char c : id)
        if (c != '-')
            digits += c;
    return EntryKey{idKey(std::string_view(digits).substr(0, 16)), idKey(std::string_view(digits).substr(16)), lower};
}

std::string EntryKey::text() const
{
    char text[37];
    std::snprintf(text, sizeof text, lower ? "%08x-%04x-%04x-%04x-%012" PRIx64 : "%08X-%04X-%04X-%04X-%012" PRIX64,
                  static_cast<unsigned>(high >> 32), static_cast<unsigned>(high >> 16 & 0xffff),
                  static_cast<unsigned>(high & 0xffff), static_cast<unsigned>(low >> 48),
                  static_cast<uint64_t>(low & 0xffffffffffffULL));
    return text;
}

uint32_t SyncFold::number(const std::string& name)
{
    const auto [found, made] = numbers_.emplace(name, static_cast<uint32_t>(names_.size()));
    if (made)
        names_.push_back(name);
    return found->second;
}

void SyncFold::add(SyncEvent event, double now)
{
    if (event.ts > now + maxClockLeadSeconds)
        held_.push_back(std::move(event));
    else
        apply(event);
}

void SyncFold::holdRecord(std::string device, std::string line, double ts)
{
    heldRecords_.push_back(HeldRecord{std::move(device), std::move(line), ts});
}

void SyncFold::release(double now)
{
    const auto due = [&](double ts) { return ts <= now + maxClockLeadSeconds; };
    std::vector<SyncEvent> events;
    std::erase_if(held_, [&](SyncEvent& event) {
        if (!due(event.ts))
            return false;
        events.push_back(std::move(event));
        return true;
    });
    for (const SyncEvent& event : events)
        apply(event);
    std::vector<HeldRecord> records;
    std::erase_if(heldRecords_, [&](HeldRecord& record) {
        if (!due(record.ts))
            return false;
        records.push_back(std::move(record));
        return true;
    });
    for (const HeldRecord& record : records)
        foldSnapshotLine(record.line, record.device, *this, now);
}

void SyncFold::applyToEntry(const SyncEvent& event, const EntryKey& id)
{
    Entry& entry = entries_[id];
    const SyncStamp stamp = stampOf(event);
    switch (event.kind) {
    case SyncKind::Added:
    case SyncKind::Touched: {
        entry.ts = std::max(entry.ts, event.ts);
        const bool carries = event.kind == SyncKind::Added || !event.session.empty();
        if (!carries)
            break;
        // A copy made again carries the entry whole, but says only what nothing else does.
        const SyncStamp at = event.kind == SyncKind::Added ? stamp : stampOf(event, 0);
        const Content content{event.text, event.picture, event.entryKind == "image", event.formats};
        if (!entry.contentStamp.set() || firstBefore(at, entry.contentStamp) ||
            (at == entry.contentStamp && content < entry.content)) {
            entry.content = content;
            entry.contentStamp = at;
        }
        entry.pinned.offer(event.pinned, at);
        offerName(entry.block, event.block.value_or(std::string()), at);
        offerName(entry.session, event.session, at);
        break;
    }
    case SyncKind::Pinned:
    case SyncKind::Unpinned:
        entry.pinned.offer(event.kind == SyncKind::Pinned, stamp);
        break;
    case SyncKind::MovedToBlock:
        offerName(entry.block, event.block.value_or(std::string()), stamp);
        break;
    case SyncKind::MovedToSession:
        offerName(entry.session, event.session, stamp);
        break;
    case SyncKind::Deleted:
        entry.deletedAt = std::max(entry.deletedAt, event.ts);
        break;
    default:
        break;
    }
}

void SyncFold::apply(const SyncEvent& event)
{
    const SyncStamp stamp = stampOf(event);
    switch (event.kind) {
    case SyncKind::BlockSet: {
        Block& block = blocks_[event.ids.front()];
        block.exists = true;
        block.session.offer(event.session, stamp);
        if (event.name)
            block.name.offer(*event.name, stamp);
        if (event.color)
            block.color.offer(*event.color, stamp);
        if (event.blockPinned)
            block.pinned.offer(*event.blockPinned, stamp);
        if (event.order)
            block.order.offer(*event.order, stamp);
        break;
    }
    case SyncKind::BlockDeleted:
        addDeletedBlock(event.ids.front(), event.ts);
        break;
    case SyncKind::SessionSet: {
        Session& session = sessions_[event.ids.front()];
        session.exists = true;
        const double createdAt = event.order.value_or(0);
        if (!session.first.set() || stamp < session.first || (stamp == session.first && createdAt < session.createdAt)) {
            session.first = stamp;
            session.createdAt = createdAt;
        }
        if (event.name)
            session.name.offer(*event.name, stamp);
        break;
    }
    case SyncKind::SessionDeleted:
        addDeletedSession(event.ids.front(), event.ts);
        break;
    default:
        for (const std::string& id : event.ids)
            if (const auto key = EntryKey::of(id))
                applyToEntry(event, *key);
    }
}

void SyncFold::addEntry(const EntryKey& id, const Entry& from)
{
    Entry& entry = entries_[id];
    entry.ts = std::max(entry.ts, from.ts);
    entry.deletedAt = std::max(entry.deletedAt, from.deletedAt);
    if (from.contentStamp.set() &&
        (!entry.contentStamp.set() || firstBefore(from.contentStamp, entry.contentStamp) ||
         (from.contentStamp == entry.contentStamp && from.content < entry.content))) {
        entry.content = from.content;
        entry.contentStamp = from.contentStamp;
    }
    if (from.pinned.stamp.set())
        entry.pinned.offer(from.pinned.value, from.pinned.stamp);
    if (from.block.stamp.set())
        entry.block.offer(from.block.value, from.block.stamp, [this](uint32_t a, uint32_t b) { return nameBefore(a, b); });
    if (from.session.stamp.set())
        entry.session.offer(from.session.value, from.session.stamp,
                            [this](uint32_t a, uint32_t b) { return nameBefore(a, b); });
}

void SyncFold::addBlock(const std::string& id, const Block& from)
{
    Block& block = blocks_[id];
    block.exists = block.exists || from.exists;
    block.deletedAt = std::max(block.deletedAt, from.deletedAt);
    if (from.session.stamp.set())
        block.session.offer(from.session.value, from.session.stamp);
    if (from.name.stamp.set())
        block.name.offer(from.name.value, from.name.stamp);
    if (from.color.stamp.set())
        block.color.offer(from.color.value, from.color.stamp);
    if (from.pinned.stamp.set())
        block.pinned.offer(from.pinned.value, from.pinned.stamp);
    if (from.order.stamp.set())
        block.order.offer(from.order.value, from.order.stamp);
}

void SyncFold::addSession(const std::string& id, const Session& from)
{
    Session& session = sessions_[id];
    session.exists = session.exists || from.exists;
    session.deletedAt = std::max(session.deletedAt, from.deletedAt);
    if (from.first.set() && (!session.first.set() || from.first < session.first ||
                             (from.first == session.first && from.createdAt < session.createdAt))) {
        session.first = from.first;
        session.createdAt = from.createdAt;
    }
    if (from.name.stamp.set())
        session.name.offer(from.name.value, from.name.stamp);
}

void SyncFold::addDeletedEntry(const EntryKey& id, double at)
{
    Entry& entry = entries_[id];
    entry.deletedAt = std::max(entry.deletedAt, at);
}

void SyncFold::addDeletedBlock(const std::string& id, double at)
{
    Block& block = blocks_[id];
    block.deletedAt = std::max(block.deletedAt, at);
}

void SyncFold::addDeletedSession(const std::string& id, double at)
{
    Session& session = sessions_[id];
    session.deletedAt = std::max(session.deletedAt, at);
}

MergedHistory SyncFold::merged(size_t keep, const std::vector<std::string>& held) const
{
    MergedHistory merged;
    merged.heldBack = heldBack();
    for (const auto& [id, block] : blocks_) {
        if (block.deletedAt >= 0)
            merged.deletedBlocks.insert(id);
        else if (block.exists)
            merged.blocks.push_back(MergedBlock{id, block.name.value, block.color.value, block.pinned.value,
                                                block.session.value, block.order.value});
    }
    std::sort(merged.blocks.begin(), merged.blocks.end(), [](const MergedBlock& a, const MergedBlock& b) {
        return std::tie(a.order, a.id) < std::tie(b.order, b.id);
    });
    for (const auto& [id, session] : sessions_) {
        if (session.deletedAt >= 0)
            merged.deletedSessions.insert(id);
        else if (session.exists)
            merged.sessions.push_back(MergedSession{id, session.name.value, session.createdAt});
    }
    std::sort(merged.sessions.begin(), merged.sessions.end(), [](const MergedSession& a, const MergedSession& b) {
        return std::tie(a.createdAt, a.id) < std::tie(b.createdAt, b.id);
    });

    std::unordered_set<EntryKey, EntryKeyHash> heldKeys;
    for (const std::string& id : held)
        if (const auto key = EntryKey::of(id))
            heldKeys.insert(*key);
    // The time of the newest `keep`-th unpinned entry: older ones are never brought in.
    double oldestKept = -1;
    if (keep > 0) {
        std::vector<double> times;
        for (const auto& [id, entry] : entries_)
            if (entry.deletedAt < 0 && entry.contentStamp.set() && !entry.pinned.value)
                times.push_back(entry.ts);
        if (times.size() > keep) {
            std::nth_element(times.begin(), times.begin() + static_cast<long>(keep - 1), times.end(), std::greater<>());
            oldestKept = times[keep - 1];
        }
    }
    for (const auto& [id, entry] : entries_) {
        const bool wanted = keep == 0 || heldKeys.contains(id);
        if (entry.deletedAt >= 0) {
            if (wanted)
                merged.deletedEntries.insert(id.text());
            continue;
        }
        if (!entry.contentStamp.set() || (!wanted && !entry.pinned.value && entry.ts < oldestKept))
            continue;
        MergedEntry out;
        out.id = id.text();
        out.ts = entry.ts;
        out.text = entry.content.text;
        out.kind = entry.content.image ? "image" : "text";
        out.picture = entry.content.picture;
        out.formats = entry.content.formats;
        out.pinned = entry.pinned.value;
        // An entry whose block went leaves the block, as it does on the device that deleted it.
        const std::string& block = names_[entry.block.value];
        if (!block.empty() && !merged.deletedBlocks.contains(block))
            out.block = block;
        const std::string& session = names_[entry.session.value];
        out.session = merged.deletedSessions.contains(session) ? std::string(defaultSessionToken) : session;
        merged.entries.push_back(std::move(out));
    }
    std::sort(merged.entries.begin(), merged.entries.end(), [](const MergedEntry& a, const MergedEntry& b) {
        return a.ts != b.ts ? a.ts > b.ts : a.id < b.id;
    });
    return merged;
}

MergedHistory mergeJournals(std::vector<SyncEvent> events, double now)
{
    SyncFold fold;
    for (SyncEvent& event : events)
        fold.add(std::move(event), now);
    return fold.merged();
}

} // namespace brimble
