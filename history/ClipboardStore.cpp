#include "history/ClipboardStore.h"

#include <algorithm>
#include <deque>
#include <unordered_map>
#include <unordered_set>

#include "history/AppSupport.h"
#include "common/AtomicFile.h"
#include "history/ClipCodec.h"
#include "common/JsonText.h"

namespace brimble {

namespace {

constexpr int privateFileMode = 0600;

using IdSet = std::unordered_set<std::string_view>;

IdSet idSet(std::span<const std::string> ids)
{
    return IdSet(ids.begin(), ids.end());
}

} // namespace

// Saving rewrites the whole file after every change, and a long history is mostly unchanged
// entries. Each entry's JSON is kept with a copy of the entry it was made from; comparing the
// two is far cheaper than encoding again, and stays right however `items` was changed. The copy
// shares its text with the entry in `items`, so an unchanged entry compares without reading the
// text, and a text that needs no escape is not kept a second time inside the JSON: the file is
// written from the pieces around it and from the text itself.
struct ClipboardStore::EncodedEntries {
    struct Entry {
        Clip clip;
        ClipJson json;
    };
    std::unordered_map<std::string, Entry> byId;
    // Entries that share an id with an earlier one, encoded afresh at each save.
    std::deque<ClipJson> uncached;

    // The pieces of the JSON array of `clips`, or nothing when an entry cannot be encoded. They
    // point into this cache and into the entries' texts: they stay valid until the next call, or
    // until `clips` changes.
    std::optional<std::vector<std::string_view>> encode(const std::vector<Clip>& clips)
    {
        std::unordered_map<std::string, Entry> next;
        next.reserve(clips.size());
        uncached.clear();
        std::vector<std::string_view> pieces;
        pieces.reserve(clips.size() * 4 + 2);
        pieces.emplace_back("[");

        for (const Clip& clip : clips) {
            const ClipJson* json = nullptr;
            if (auto kept = next.find(clip.id); kept != next.end()) {
                if (kept->second.clip == clip) {
                    json = &kept->second.json;
                } else {
                    std::optional<ClipJson> fresh = encodeClipAroundText(clip);
                    if (!fresh)
                        return std::nullopt;
                    json = &uncached.emplace_back(std::move(*fresh));
                }
            } else if (auto old = byId.find(clip.id); old != byId.end() && old->second.clip == clip) {
                // The node moves over whole, so that an unchanged entry costs no allocation.
                auto node = byId.extract(old);
                // Equal texts in two buffers: the cache takes the entry's, so that only one stays.
                node.mapped().clip.text = clip.text;
                json = &next.insert(std::move(node)).position->second.json;
            } else {
                std::optional<ClipJson> fresh = encodeClipAroundText(clip);
                if (!fresh)
                    return std::nullopt;
                json = &next.emplace(clip.id, Entry{clip, std::move(*fresh)}).first->second.json;
            }
            if (pieces.size() > 1)
                pieces.emplace_back(",");
            pieces.emplace_back(json->before);
            if (json->textApart) {
                pieces.emplace_back(clip.text);
                pieces.emplace_back(json->after);
            }
        }
        pieces.emplace_back("]");
        byId = std::move(next);
        return pieces;
    }
};

ClipboardStore::ClipboardStore(std::filesystem::path dataHome, const Defaults& defaults)
    : dataHome_(std::move(dataHome))
    , defaults_(defaults)
    , encoded_(std::make_unique<EncodedEntries>())
{
    const std::filesystem::path file = AppSupport::historyFile(dataHome_);
    removeStaleTemporaries(file);
    std::error_code error;
    if (std::optional<std::string> bytes = readWholeFile(file)) {
        if (std::optional<json::RecordList<Clip>> clips = decodeClipList(*bytes)) {
            items = pinnedFirst(std::move(clips->records));
            // The entries that could not be read are kept in the file set aside.
            keepUnreadableFile_ = clips->leftOut > 0;
        } else {
            keepUnreadableFile_ = true;
        }
    } else {
        keepUnreadableFile_ = std::filesystem::exists(std::filesystem::symlink_status(file, error));
    }
    picturesAtRisk_ = keepUnreadableFile_ || hasUnreadableCopies(file);
    convertInlineImages();
    for (const Clip& clip : items) {
        if (clip.imgFile)
            namesSeen_.insert(*clip.imgFile);
        for (const ClipFormat& format : clip.formats)
            namesSeen_.insert(format.file);
    }
}

ClipboardStore::~ClipboardStore()
{
    syncFormatFiles();
}

void ClipboardStore::syncFormatFiles()
{
    brimble::syncFormatFiles(dataHome_, unsyncedFormats_);
}

void ClipboardStore::save()
{
    const std::filesystem::path folder = AppSupport::directory(dataHome_);
    std::error_code error;
    std::filesystem::create_directories(folder, error);

    std::optional<std::vector<std::string_view>> pieces = encoded_->encode(items);
    if (!pieces) {
        // Nothing could be written, so the file is behind `items` like after a failed write.
        unsaved_ = true;
        return;
    }
    const std::filesystem::path file = folder / "clipboard.json";
    if (!clearWayForWrite(file, keepUnreadableFile_)) {
        unsaved_ = true;
        return;
    }
    unsaved_ = !writePiecesAtomically(file, *pieces, privateFileMode);
}

void ClipboardStore::saveIfUnsaved()
{
    if (unsaved_)
        save();
}

std::optional<Clip> ClipboardStore::find(const std::string& id) const
{
    const auto found = std::find_if(items.begin(), items.end(), [&](const Clip& c) { return c.id == id; });
    if (found == items.end())
        return std::nullopt;
    return *found;
}

void ClipboardStore::touch(const std::string& id, double ts)
{
    const auto found = std::find_if(items.begin(), items.end(), [&](const Clip& c) { return c.id == id; });
    if (found == items.end())
        return;
    Clip clip = std::move(*found);
    items.erase(found);
    clip.ts = ts;
    items.insert(items.begin(), std::move(clip));
    items = pinnedFirst(std::move(items));
    save();
}

void ClipboardStore::togglePin(const std::string& id)
{
    const auto found = std::find_if(items.begin(), items.end(), [&](const Clip& c) { return c.id == id; });
    if (found == items.end())
        return;
    found->pinned = !found->pinned;
    items = pinnedFirst(std::move(items));
    applyHistoryLimit();
    save();
}

void ClipboardStore::setPinned(std::span<const std::string> ids, bool pinned)
{
    const IdSet wanted = idSet(ids);
    bool changed = false;
    for (Clip& clip : items) {
        if (clip.pinned != pinned && wanted.contains(clip.id)) {
            clip.pinned = pinned;
            changed = true;
        }
    }
    if (!changed)
        return;
    items = pinnedFirst(std::move(items));
    applyHistoryLimit();
    save();
}

namespace {

// Moves the entries `doomed` picks out of `items`, each with the place it had.
template <typename Pred>
std::vector<RemovedEntry> takeOut(std::vector<Clip>& items, Pred doomed)
{
    std::vector<RemovedEntry> taken;
    std::vector<Clip> kept;
    kept.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        if (doomed(items[i]))
            taken.push_back({std::move(items[i]), i, std::nullopt});
        else
            kept.push_back(std::move(items[i]));
    }
    // Each taken entry's anchor: the first kept entry after it. The k-th taken entry had
    // `index - k` kept entries before it.
    for (size_t k = 0; k < taken.size(); ++k) {
        const size_t keptBefore = taken[k].index - k;
        if (keptBefore < kept.size())
            taken[k].beforeId = kept[keptBefore].id;
    }
    items = std::move(kept);
    return taken;
}

} // namespace

void ClipboardStore::holdFilesOf(const std::vector<RemovedEntry>& taken)
{
    for (const RemovedEntry& entry : taken) {
        if (entry.clip.imgFile)
            heldFiles_.insert(*entry.clip.imgFile);
        for (const ClipFormat& format : entry.clip.formats)
            heldFiles_.insert(format.file);
    }
}

std::vector<RemovedEntry> ClipboardStore::remove(const std::string& id)
{
    auto taken = takeOut(items, [&](const Clip& c) { return c.id == id; });
    holdFilesOf(taken);
    pruneImages();
    save();
    return taken;
}

std::vector<RemovedEntry> ClipboardStore::removeMany(std::span<const std::string> ids)
{
    const IdSet doomed = idSet(ids);
    auto taken = takeOut(items, [&](const Clip& c) { return doomed.contains(c.id); });
    holdFilesOf(taken);
    pruneImages();
    save();
    return taken;
}

std::vector<RemovedEntry> ClipboardStore::clearSession(const std::string& sessionId)
{
    auto taken = takeOut(items, [&](const Clip& c) { return !c.pinned && isShownIn(c, sessionId); });
    holdFilesOf(taken);
    pruneImages();
    save();
    return taken;
}

void ClipboardStore::reorderClips(std::span<const std::string> order, const std::optional<std::string>& blockId)
{
    std::vector<bool> placed(items.size(), false);
    std::vector<size_t> picks;
    for (const std::string& id : order) {
        const auto found = std::find_if(items.begin(), items.end(), [&](const Clip& c) { return c.id == id; });
        if (found == items.end())
            continue;
        const auto index = static_cast<size_t>(found - items.begin());
        if (placed[index])
            continue;
        placed[index] = true;
        picks.push_back(index);
    }

    std::vector<Clip> reordered;
    reordered.reserve(items.size());
    for (size_t index : picks) {
        reordered.push_back(std::move(items[index]));
        reordered.back().blockId = blockId;
    }
    for (size_t i = 0; i < items.size(); ++i) {
        if (!placed[i])
            reordered.push_back(std::move(items[i]));
    }
    items = std::move(reordered);
    save();
}

void ClipboardStore::assignSession(std::span<const std::string> ids, const std::string& sessionId)
{
    const IdSet wanted = idSet(ids);
    for (Clip& clip : items) {
        if (wanted.contains(clip.id)) {
            clip.sessionId = sessionId;
            clip.blockId.reset();
        }
    }
    save();
}

void ClipboardStore::assignBlock(std::span<const std::string> ids, const std::optional<std::string>& blockId)
{
    const IdSet wanted = idSet(ids);
    for (Clip& clip : items) {
        if (wanted.contains(clip.id))
            clip.blockId = blockId;
    }
    save();
}

void ClipboardStore::adoptOrphans(const std::string& sessionId)
{
    bool changed = false;
    for (Clip& clip : items) {
        if (clip.sessionId.empty()) {
            clip.sessionId = sessionId;
            changed = true;
        }
    }
    if (changed)
        save();
}

void ClipboardStore::setSessionLookup(std::function<bool(const std::string&)> sessionKnown)
{
    sessionKnown_ = std::move(sessionKnown);
}

bool ClipboardStore::isShownIn(const Clip& clip, const std::string& sessionId) const
{
    return clip.sessionId == sessionId || (sessionKnown_ && !sessionKnown_(clip.sessionId));
}

std::vector<Clip> pinnedFirst(std::vector<Clip> clips)
{
    std::stable_partition(clips.begin(), clips.end(), [](const Clip& c) { return c.pinned; });
    return clips;
}

} // namespace brimble
