#include "sync/Sync.h"

#include <unistd.h>

#include <unordered_set>

#include "common/AtomicFile.h"
#include "history/AppSupport.h"
#include "history/ClipboardStore.h"
#include "history/FormatFiles.h"
#include "sessions/SessionStore.h"
#include "sync/SyncFolder.h"
#include "sync/SyncSnapshot.h"

namespace brimble {

Sync::Sync(std::filesystem::path folder, std::string device)
    : folder_(std::move(folder))
    , device_(std::move(device))
    , reader_(folder_)
    , writer_(folder_, device_)
    , pictures_(folder_)
{
}

std::function<bool(const Clip&, SyncEvent&)> Sync::fileSharer(const ClipboardStore& clips) const
{
    return [folder = folder_, home = clips.dataHome(), &clips](const Clip& clip, SyncEvent& event) {
        // Its formats are still being read: it goes out whole once they are in.
        if (clips.awaitsFormats(clip.id))
            return false;
        if (clip.kind == "image") {
            if (!clip.imgFile)
                return false;
            const auto bytes = readWholeFile(AppSupport::imagesFolder(home) / *clip.imgFile);
            const std::string ext = std::filesystem::path(*clip.imgFile).extension().string();
            if (!bytes || (ext != ".png" && ext != ".jpg"))
                return false;
            auto name = SyncFolder::storePicture(
                folder, std::span(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()), ext.substr(1));
            if (!name)
                return false;
            event.picture = std::move(*name);
        }
        // A format whose own file is gone or damaged is left out; one that cannot be stored yet
        // holds the entry back until it can.
        event.formats.clear();
        for (const ExtraFormat& format : loadFormats(home, clip)) {
            auto name = SyncFolder::storeFormat(folder, format.bytes);
            if (!name)
                return false;
            event.formats.push_back(ClipFormat{format.type, std::move(*name)});
        }
        return true;
    };
}

void Sync::flush()
{
    if (unsent_.empty())
        return;
    if (writer_.append(unsent_)) {
        unsent_.clear();
        if (status_.health == SyncHealth::FolderUnwritable)
            status_.health = SyncHealth::Ok;
    } else {
        status_.health = SyncFolder::isRealFolder(folder_) ? SyncHealth::FolderUnwritable : SyncHealth::FolderMissing;
    }
}

void Sync::recordLocal(const ClipboardStore& clips, const SessionStore& sessions, const SyncScope& scope, double now)
{
    if (!started_)
        return;
    std::vector<SyncEvent> events = changes_.collect(clips, sessions, scope, now, fileSharer(clips));
    unsent_.insert(unsent_.end(), std::make_move_iterator(events.begin()), std::make_move_iterator(events.end()));
    flush();
}

std::vector<std::string> Sync::heldIds(const ClipboardStore& clips)
{
    std::vector<std::string> ids;
    ids.reserve(clips.items.size());
    for (const Clip& clip : clips.items)
        ids.push_back(clip.id);
    return ids;
}

void Sync::compactIfDue(double now, size_t historyLimit)
{
    if (unsent_.empty() && writer_.hasClosedJournals())
        writer_.compact(encodeSnapshot(fold_, device_, now, historyLimit));
}

bool Sync::awaitedFormatArrived() const
{
    for (const std::string& name : awaitedFormats_)
        if (::access((folder_ / SyncFolder::formatsName / name).c_str(), F_OK) == 0)
            return true;
    return false;
}

void Sync::tendPictures(const ClipboardStore& clips, const SyncScope& scope, double now)
{
    const bool folderChanged = pictures_.changed();
    if (!unsent_.empty() || (!folderChanged && !pictures_.pruneDue(now)))
        return;
    const auto share = fileSharer(clips);
    const std::filesystem::path pictures = folder_ / SyncFolder::picturesName;
    const std::filesystem::path formats = folder_ / SyncFolder::formatsName;
    const auto missing = [](const std::filesystem::path& path) { return ::access(path.c_str(), F_OK) != 0; };
    std::unordered_set<std::string> held;
    for (const Clip& clip : clips.items) {
        if (!LocalChanges::sharedSession(clip.sessionId, scope))
            continue;
        for (const ClipFormat& format : clip.formats)
            held.insert(format.file);
        if (clip.sig)
            held.insert(*clip.sig);
        if (clip.kind == "image" && !clip.imgFile)
            continue;
        // Another device removed a file this one still shows (the entry was copied again while
        // that device could not see it): it is written again, for the devices still waiting.
        const auto key = EntryKey::of(clip.id);
        const auto known = key ? fold_.entries().find(*key) : fold_.entries().end();
        if (known == fold_.entries().end() || known->second.deletedAt >= 0)
            continue;
        bool gone = clip.imgFile && clip.sig && missing(pictures / (*clip.sig + std::filesystem::path(*clip.imgFile).extension().string()));
        for (const ClipFormat& format : clip.formats)
            gone = gone || missing(formats / format.file);
        if (gone) {
            SyncEvent ignored;
            share(clip, ignored);
        }
    }
    pictures_.prune(held, now);
}

ViewChange Sync::start(ClipboardStore& clips, SessionStore& sessions, const SyncScope& scope, double now,
                       size_t historyLimit)
{
    if (reader_.readInto(fold_, now).folderMissing) {
        status_.health = SyncHealth::FolderMissing;
        return {};
    }
    fold_.release(now);
    const MergedHistory before = fold_.merged(historyLimit, heldIds(clips));
    std::set<std::string> sharedEntries(before.deletedEntries);
    for (const MergedEntry& entry : before.entries)
        sharedEntries.insert(entry.id);
    std::set<std::string> sharedBlocks(before.deletedBlocks);
    for (const MergedBlock& block : before.blocks)
        sharedBlocks.insert(block.id);
    changes_.reset(clips, sessions);
    changes_.forgetUnshared(sharedEntries, sharedBlocks);
    started_ = true;
    status_.health = SyncHealth::Ok;
    recordLocal(clips, sessions, scope, now);
    if (!unsent_.empty()) {
        // Nothing could be written: start again once the folder can be.
        started_ = false;
        unsent_.clear();
        return {};
    }
    reader_.readInto(fold_, now);
    compactIfDue(now, historyLimit);
    const ViewChange change = applyMergedHistory(fold_.merged(historyLimit, heldIds(clips)), clips, sessions, scope, folder_, historyLimit);
    awaitedFormats_ = change.awaitedFormats;
    changes_.reset(clips, sessions);
    return change;
}

ViewChange Sync::readIncoming(ClipboardStore& clips, SessionStore& sessions, const SyncScope& scope, double now,
                              size_t historyLimit)
{
    if (!started_)
        return start(clips, sessions, scope, now, historyLimit);
    // What the user did is written before anything arrives over it.
    recordLocal(clips, sessions, scope, now);
    const JournalScan scan = reader_.readInto(fold_, now);
    if (scan.folderMissing) {
        status_.health = SyncHealth::FolderMissing;
        return {};
    }
    if (status_.health == SyncHealth::FolderMissing)
        status_.health = SyncHealth::Ok;
    flush();
    const size_t heldBefore = fold_.heldBack();
    fold_.release(now);
    bool fromOthers = fold_.heldBack() != heldBefore;
    for (const std::string& device : scan.devices)
        fromOthers = fromOthers || device != device_;
    compactIfDue(now, historyLimit);
    tendPictures(clips, scope, now);
    if (!fromOthers && !awaitedPictureArrived(clips, folder_) && !awaitedFormatArrived())
        return {};
    const ViewChange change = applyMergedHistory(fold_.merged(historyLimit, heldIds(clips)), clips, sessions, scope, folder_, historyLimit);
    awaitedFormats_ = change.awaitedFormats;
    changes_.reset(clips, sessions);
    if (change.any())
        status_.lastArrival = now;
    return change;
}

} // namespace brimble
