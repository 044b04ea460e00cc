#include "history/UndoShelf.h"

#include <algorithm>

#include "common/UnicodeText.h"
#include "common/Uuid.h"

namespace brimble {

std::vector<std::string> ClipboardStore::restore(std::vector<RemovedEntry> removed,
                                                 const std::function<bool(const std::string&)>& blockKnown)
{
    // In the order the entries stood, so that each lands where it was among the others.
    std::ranges::stable_sort(removed, {}, &RemovedEntry::index);
    std::vector<std::string> ids;
    for (RemovedEntry& entry : removed) {
        Clip& clip = entry.clip;
        const CanonicalMatcher sameText(clip.kind == "text" ? std::string_view(clip.text) : std::string_view());
        auto again = std::ranges::find_if(items, [&](const Clip& other) {
            if (other.kind != clip.kind || !isShownIn(other, clip.sessionId))
                return false;
            return clip.kind == "image" ? other.sig && other.sig == clip.sig : sameText.matches(other.text);
        });
        if (again != items.end()) {
            again->pinned = again->pinned || clip.pinned;
            continue;
        }
        clip.id = newUuid();
        if (clip.blockId && !(blockKnown && blockKnown(*clip.blockId)))
            clip.blockId.reset();
        ids.push_back(clip.id);
        auto at = items.end();
        if (entry.beforeId)
            at = std::ranges::find_if(items, [&](const Clip& other) { return other.id == *entry.beforeId; });
        if (at == items.end())
            at = items.begin() + static_cast<std::ptrdiff_t>(std::min(entry.index, items.size()));
        items.insert(at, std::move(clip));
    }
    items = pinnedFirst(std::move(items));
    applyHistoryLimit();
    pruneImages();
    save();
    // The history limit may have taken one straight out again, when copies filled it meanwhile.
    std::erase_if(ids, [&](const std::string& id) { return !find(id); });
    return ids;
}

void ClipboardStore::holdFiles(std::unordered_set<std::string> names)
{
    heldFiles_ = std::move(names);
}

uint64_t UndoShelf::put(ClipboardStore& store, RemovalKind kind, const std::string& sessionId,
                        std::vector<RemovedEntry> removed, double now)
{
    if (removed.empty())
        return 0;
    removals_.push_back({kind, sessionId, std::move(removed), now + keepSeconds, ++lastSerial_});
    holdFiles(store);
    return lastSerial_;
}

std::optional<UndoShelf::Offer> UndoShelf::offer(const std::string& sessionId, double now) const
{
    for (auto removal = removals_.rbegin(); removal != removals_.rend(); ++removal) {
        if (removal->sessionId == sessionId && removal->until > now)
            return Offer{removal->kind, removal->entries.size(), removal->serial};
    }
    return std::nullopt;
}

std::vector<std::string> UndoShelf::undo(ClipboardStore& store, const std::string& sessionId, double now,
                                         const std::function<bool(const std::string&)>& blockKnown)
{
    auto latest = std::find_if(removals_.rbegin(), removals_.rend(), [&](const Removal& removal) {
        return removal.sessionId == sessionId && removal.until > now;
    });
    if (latest == removals_.rend())
        return {};
    std::vector<RemovedEntry> entries = std::move(latest->entries);
    removals_.erase(std::next(latest).base());
    // The files stay held while they are put back, so that the store's pruning keeps them.
    std::vector<std::string> ids = store.restore(std::move(entries), blockKnown);
    holdFiles(store);
    return ids;
}

bool UndoShelf::expire(ClipboardStore& store, double now)
{
    const size_t before = removals_.size();
    std::erase_if(removals_, [&](const Removal& removal) { return removal.until <= now; });
    if (removals_.size() == before)
        return false;
    holdFiles(store);
    store.pruneImages();
    store.save();
    return true;
}

void UndoShelf::holdFiles(ClipboardStore& store) const
{
    std::unordered_set<std::string> names;
    for (const Removal& removal : removals_) {
        for (const RemovedEntry& entry : removal.entries) {
            if (entry.clip.imgFile)
                names.insert(*entry.clip.imgFile);
            for (const ClipFormat& format : entry.clip.formats)
                names.insert(format.file);
        }
    }
    store.holdFiles(std::move(names));
}

} // namespace brimble
