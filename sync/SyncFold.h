#pragma once

#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sync/SyncEvent.h"
#include "sync/SyncMerge.h"

namespace brimble {

// Where a write stands among all writes: its time, then its device, then the event itself. A
// device is known by the first 64 bits of its id and an event by the first 32, read as hex (so
// the order is that of the ids themselves, whatever their case). A weak write (an entry carried
// by a copy made again) loses to every ordinary one and only fills in what nothing else says.
struct SyncStamp {
    double ts = 0;
    uint64_t device = 0;
    uint32_t event = 0;
    int8_t rank = -1; // -1: never written; 0: weak; 1: ordinary

    bool set() const { return rank >= 0; }
    auto operator<=>(const SyncStamp& other) const
    {
        if (rank != other.rank)
            return rank <=> other.rank;
        if (ts != other.ts)
            return ts < other.ts ? std::strong_ordering::less : std::strong_ordering::greater;
        if (device != other.device)
            return device <=> other.device;
        return event <=> other.event;
    }
    bool operator==(const SyncStamp&) const = default;
};

// The first 64 bits of an id made of hex digits and dashes; 0 for anything else.
uint64_t idKey(std::string_view id);
SyncStamp stampOf(const SyncEvent& event, int8_t rank = 1);

// A value with the stamp of the write that set it: the later stamp wins, and two writes under one
// stamp (a hostile line copying another's ids) keep the smaller value, so that the outcome never
// depends on which was read first.
template <typename T>
struct Stamped {
    T value{};
    SyncStamp stamp;

    template <typename Less = std::less<T>>
    void offer(const T& candidate, const SyncStamp& at, Less less = {})
    {
        if (at > stamp || (at == stamp && less(candidate, value))) {
            value = candidate;
            stamp = at;
        }
    }
};

// An entry's id as 128 bits: held by the tens of thousands, it costs a sixth of its text.
// Ids are written in one case, upper as this program makes them or lower; an id mixing both is
// not one of ours.
struct EntryKey {
    uint64_t high = 0;
    uint64_t low = 0;
    bool lower = false;
    bool operator==(const EntryKey&) const = default;
    static std::optional<EntryKey> of(std::string_view id);
    std::string text() const;
};
struct EntryKeyHash {
    size_t operator()(const EntryKey& key) const { return key.high ^ (key.low * 0x9e3779b97f4a7c15ULL) ^ key.lower; }
};

// The merged history built up one line at a time: every event and every snapshot record is
// folded in as it is read and then dropped. Each field of each entry, block and session keeps
// only its winning write, so the fold is the same whatever order the lines came in and however
// often one was read; what it holds grows with the things named, not with the lines.
class SyncFold {
public:
    struct Content {
        std::string text;
        std::string picture; // "<sha-256>.<ext>" for a picture
        bool image = false;
        std::vector<ClipFormat> formats;
        auto operator<=>(const Content&) const = default;
    };
    struct Entry {
        // What the entry is: its first capture wins; a copy made again says it only when no
        // capture is known (a snapshot may have left that capture out).
        Content content;
        SyncStamp contentStamp;
        double ts = 0; // newest capture or copy
        Stamped<bool> pinned;
        Stamped<uint32_t> block;   // a name's number (`name`); 0: in no block
        Stamped<uint32_t> session; // a name's number
        double deletedAt = -1;     // the latest delete of it; -1: alive
    };
    struct Block {
        bool exists = false;
        double deletedAt = -1;
        Stamped<std::string> session;
        Stamped<std::string> name;
        Stamped<std::string> color;
        Stamped<bool> pinned;
        Stamped<double> order;
    };
    struct Session {
        bool exists = false;
        double deletedAt = -1;
        SyncStamp first; // its creation time comes from its first write
        double createdAt = 0;
        Stamped<std::string> name;
    };

    // Folds one event in; one dated further than `maxClockLeadSeconds` ahead of `now` waits.
    void add(SyncEvent event, double now);
    // Folds in the events whose time has come.
    void release(double now);
    // The history as it stands. With `keep`, only what a device with that history limit could
    // bring in is made: every pinned entry, the `keep` newest others (and any as new as the last
    // of them), and the entries and deletes of those `held` already; all of it when 0.
    MergedHistory merged(size_t keep = 0, const std::vector<std::string>& held = {}) const;

    // For snapshots: entries, blocks and sessions as folded, and a way to fold a record back.
    const std::unordered_map<EntryKey, Entry, EntryKeyHash>& entries() const { return entries_; }
    // The block or session id numbered `number` in entries; one number per id, 0 for "".
    const std::string& name(uint32_t number) const { return names_[number]; }
    uint32_t number(const std::string& name);
    const std::unordered_map<std::string, Block>& blocks() const { return blocks_; }
    const std::unordered_map<std::string, Session>& sessions() const { return sessions_; }
    void addEntry(const EntryKey& id, const Entry& entry);
    void addBlock(const std::string& id, const Block& block);
    void addSession(const std::string& id, const Session& session);
    void addDeletedEntry(const EntryKey& id, double at);
    void addDeletedBlock(const std::string& id, double at);
    void addDeletedSession(const std::string& id, double at);
    // A snapshot line dated too far ahead, kept whole until its time has come.
    void holdRecord(std::string device, std::string line, double ts);
    size_t heldBack() const { return held_.size() + heldRecords_.size(); }

private:
    void apply(const SyncEvent& event);
    void applyToEntry(const SyncEvent& event, const EntryKey& id);
    bool nameBefore(uint32_t a, uint32_t b) const { return names_[a] < names_[b]; }
    void offerName(Stamped<uint32_t>& field, const std::string& name, const SyncStamp& at)
    {
        field.offer(number(name), at, [this](uint32_t a, uint32_t b) { return nameBefore(a, b); });
    }

    std::unordered_map<EntryKey, Entry, EntryKeyHash> entries_;
    std::vector<std::string> names_{std::string()};
    std::unordered_map<std::string, uint32_t> numbers_{{std::string(), 0}};
    std::unordered_map<std::string, Block> blocks_;
    std::unordered_map<std::string, Session> sessions_;
    std::vector<SyncEvent> held_;
    struct HeldRecord {
        std::string device;
        std::string line;
        double ts;
    };
    std::vector<HeldRecord> heldRecords_;
};

} // namespace brimble
