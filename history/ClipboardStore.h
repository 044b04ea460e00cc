#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "history/Clip.h"
#include "history/FormatFiles.h"

namespace brimble {

class Defaults;

// An entry a removal took out, with its place in `items` just before: what an undo puts back.
struct RemovedEntry {
    Clip clip;
    size_t index = 0;
    // The first entry after it that stayed, if any: it goes back just before that one, so that
    // copies made meanwhile at the front do not shift it.
    std::optional<std::string> beforeId;
};

// The ordered history of every session, pinned entries first, written through to
// "clipboard.json" after every change.
class ClipboardStore {
public:
    // Loads the history of `dataHome`'s data folder entry by entry. A missing file gives an empty
    // history; an entry that cannot be read is left out and the rest are kept, and a file that
    // is not a history at all gives an empty one. Either way a file that did not load whole is
    // moved aside before it is first overwritten, and while it (or an earlier such copy) lies
    // there, `pruneImages` deletes no picture that this run's history never named.
    // `defaults` supplies the history limit and must outlive the store.
    ClipboardStore(std::filesystem::path dataHome, const Defaults& defaults);
    ClipboardStore(const ClipboardStore&) = delete;
    ClipboardStore& operator=(const ClipboardStore&) = delete;
    ~ClipboardStore();

    // The entries of all sessions in display order.
    std::vector<Clip> items;

    // Writes "clipboard.json" atomically and durably, mode 0600. Failures are silent.
    void save();
    // Saves again when the last save did not land (a full disk, a read-only folder), so that
    // the file catches up as soon as the fault clears, without waiting for the next change.
    void saveIfUnsaved();
    // A copy of the first entry with this id.
    std::optional<Clip> find(const std::string& id) const;

    void touch(const std::string& id, double ts);
    void togglePin(const std::string& id);
    void setPinned(std::span<const std::string> ids, bool pinned);
    // Each removal hands back what it took, in the order the entries stood. The picture and
    // format files of what it took stay on disk until `holdFiles` says otherwise.
    std::vector<RemovedEntry> remove(const std::string& id);
    std::vector<RemovedEntry> removeMany(std::span<const std::string> ids);
    std::vector<RemovedEntry> clearSession(const std::string& sessionId);
    // Puts removed entries back at their places, with their pin, block and session, then limits
    // and saves. Each comes back under a fresh id, so that a sync journal that has recorded the
    // removal (a delete there is final) takes it as a new entry. An entry whose text or picture
    // its session has again meanwhile is not doubled: the entry there keeps its place and takes
    // the pin. A block that no longer exists (`blockKnown`) is left. Returns the fresh ids.
    std::vector<std::string> restore(std::vector<RemovedEntry> removed,
                                     const std::function<bool(const std::string&)>& blockKnown);
    // Picture and format files that pruning leaves on disk, named by removed entries that an
    // undo may still bring back. Replaces the names held before.
    void holdFiles(std::unordered_set<std::string> names);
    void reorderClips(std::span<const std::string> order, const std::optional<std::string>& blockId);
    void assignSession(std::span<const std::string> ids, const std::string& sessionId);
    void assignBlock(std::span<const std::string> ids, const std::optional<std::string>& blockId);
    // Gives `sessionId` to every entry that never had a session.
    void adoptOrphans(const std::string& sessionId);
    // Says which sessions exist; until it is set, every session counts as known.
    void setSessionLookup(std::function<bool(const std::string&)> sessionKnown);
    // Whether `clip` is shown in `sessionId`: its own session, or, while its own is unknown (a
    // sessions file missing, unreadable or damaged), the session in use. The entry keeps the id
    // of its session, so that the file coming back puts it back where it was.
    bool isShownIn(const Clip& clip, const std::string& sessionId) const;

    // Capture: moves an equal entry of the session to the front or adds a new one, then limits,
    // prunes and saves. Returns the entry's id; a picture whose file cannot be written is not
    // added and gives nothing. The text is taken over, not copied.
    // An equal text with other kept formats takes the new ones. With `formatsFollow` the copy's
    // formats are still being read: the entry is recorded without them (an equal entry keeps its
    // own meanwhile) and awaits them until `attachFormats` or `stopAwaitingFormats`.
    std::string addText(std::string text, double ts, const std::string& sessionId,
                        const std::vector<ExtraFormat>& formats = {}, bool formatsFollow = false);
    std::optional<std::string> addImage(std::span<const uint8_t> bytes, const std::string& ext,
                                        const std::string& label, double ts, const std::string& sessionId,
                                        const std::vector<ExtraFormat>& formats = {}, bool formatsFollow = false);
    // Gives the entry `id` the kept formats read after it was recorded, in place of any it had,
    // then prunes and saves. False, and nothing changed, when the entry is gone or `formats`
    // is empty.
    bool attachFormats(const std::string& id, const std::vector<ExtraFormat>& formats);
    // Whether `id` is the entry whose formats are still being read (sync holds it back until
    // they are in, so that other machines get it whole).
    bool awaitsFormats(const std::string& id) const { return awaitingFormats_ == id; }
    void stopAwaitingFormats() { awaitingFormats_.reset(); }
    // Makes the format files capture wrote since the last call durable. Capture saves the
    // history without waiting for them, so a copy's entry is recorded as soon as its text is;
    // should the machine stop before this runs, those formats read back short, are left out,
    // and their entries paste as their text.
    void syncFormatFiles();
    bool hasUnsyncedFormatFiles() const { return !unsyncedFormats_.empty(); }
    // Keeps every pinned entry and the first N unpinned ones (N: the effective history limit).
    void applyHistoryLimit();
    // Told of each entry the history limit takes out: it leaves this history without having
    // been deleted by the user.
    std::function<void(const std::string& id)> limitedOut;

    // Pictures: legacy inline data becomes files; unreferenced files go; the budget holds.
    // Pruning the pictures prunes the kept formats' files too.
    void convertInlineImages();
    void pruneImages();
    // Kept formats: files no entry names go; past `budget` bytes the oldest entries lose theirs.
    void pruneFormats(uint64_t budget = formatsBudgetBytes);
    uint64_t imagesTotalBytes() const;

    // The data folder's root as given at construction.
    const std::filesystem::path& dataHome() const { return dataHome_; }

private:
    struct EncodedEntries;
    void holdFilesOf(const std::vector<RemovedEntry>& taken);

    std::filesystem::path dataHome_;
    const Defaults& defaults_;
    // Each entry's JSON from the last save, reused while the entry is unchanged.
    std::unique_ptr<EncodedEntries> encoded_;
    // Set when the file on disk could not be decoded; it is moved aside before the first save.
    bool keepUnreadableFile_ = false;
    // Set while the file on disk is older than `items` because a save failed.
    bool unsaved_ = false;
    // Set when the history file did not load whole, or an earlier copy of it lies set aside:
    // pictures that only such a copy names may still be rescued, so `pruneImages` then deletes
    // only the pictures of entries this run has seen (`namesSeen_`).
    bool picturesAtRisk_ = false;
    std::unordered_set<std::string> namesSeen_;
    std::unordered_set<std::string> heldFiles_;
    std::vector<std::string> unsyncedFormats_;
    std::optional<std::string> awaitingFormats_;
    std::function<bool(const std::string&)> sessionKnown_;
};

// Stable partition: pinned entries first, each group in its current order.
std::vector<Clip> pinnedFirst(std::vector<Clip> clips);

} // namespace brimble
