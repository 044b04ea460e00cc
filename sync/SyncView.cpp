#include "sync/SyncView.h"

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include <unistd.h>

#include <glib.h>

#include "history/Capture.h"
#include "history/ClipboardStore.h"
#include "history/FormatFiles.h"
#include "history/ImageFiles.h"
#include "sessions/SessionStore.h"
#include "sync/SyncFolder.h"

namespace brimble {
namespace {

std::string localSession(const std::string& shared, const SyncScope& scope)
{
    return shared == defaultSessionToken ? scope.defaultSessionId : shared;
}

bool acceptableText(const std::string& text)
{
    return text.size() <= maxTextBytes && !isBlankText(text) && graphemeCount(text) <= maxTextGraphemes;
}

ViewChange applySessionsAndBlocks(const MergedHistory& merged, ClipboardStore& clips, SessionStore& sessions,
                                  const SyncScope& scope)
{
    ViewChange change;
    bool sessionsChanged = false;
    for (const MergedSession& shared : merged.sessions) {
        const std::string id = localSession(shared.id, scope);
        if (scope.localSessions.contains(id))
            continue;
        auto found = std::find_if(sessions.sessions.begin(), sessions.sessions.end(),
                                  [&](const Session& s) { return s.id == id; });
        if (found == sessions.sessions.end()) {
            sessions.sessions.push_back(Session{id, shared.name, shared.createdAt});
            sessionsChanged = true;
        } else if (!shared.name.empty() && found->name != shared.name) {
            found->name = shared.name;
            sessionsChanged = true;
        }
    }
    if (sessionsChanged) {
        sessions.saveSessions();
        ++change.changed;
    }

    bool blocksChanged = false;
    for (const std::string& id : merged.deletedBlocks) {
        if (std::erase_if(sessions.blocks, [&](const Block& b) { return b.id == id; }) == 0)
            continue;
        blocksChanged = true;
        for (Clip& clip : clips.items)
            if (clip.blockId == id)
                clip.blockId.reset();
    }
    for (const MergedBlock& shared : merged.blocks) {
        const std::string session = localSession(shared.session, scope);
        if (scope.localSessions.contains(session))
            continue;
        const Block wanted{shared.id, shared.name, shared.color, shared.pinned, session,
                           static_cast<int64_t>(std::clamp(shared.order, -1e15, 1e15))};
        auto found = std::find_if(sessions.blocks.begin(), sessions.blocks.end(),
                                  [&](const Block& b) { return b.id == shared.id; });
        if (found == sessions.blocks.end()) {
            sessions.blocks.push_back(wanted);
            blocksChanged = true;
        } else if (found->name != wanted.name || found->color != wanted.color || found->pinned != wanted.pinned) {
            found->name = wanted.name;
            found->color = wanted.color;
            found->pinned = wanted.pinned;
            blocksChanged = true;
        }
    }
    if (blocksChanged) {
        sessions.saveBlocks();
        ++change.changed;
    }
    return change;
}

// Puts each of `moved` where its time places it among the others, newest first.
void placeByTime(std::vector<Clip>& items, std::vector<Clip> moved)
{
    // Entries of one second go in the order of their ids, as the merge has them, so that copies
    // made at the same second on two devices stand in the same order on both.
    const auto before = [](const Clip& a, const Clip& b) { return a.ts != b.ts ? a.ts > b.ts : a.id < b.id; };
    std::sort(moved.begin(), moved.end(), before);
    for (Clip& clip : moved) {
        const auto at = std::find_if(items.begin(), items.end(), [&](const Clip& other) { return before(clip, other); });
        items.insert(at, std::move(clip));
    }
}

// A picture's label as capture makes it ("PNG · 640×480"), cut short if another device sent more,
// never inside a character.
std::string labelOf(const std::string& text)
{
    if (text.size() <= 200)
        return text;
    const char* end = g_utf8_find_prev_char(text.c_str(), text.c_str() + 201);
    return text.substr(0, end ? static_cast<size_t>(end - text.c_str()) : 0);
}

// Adds to `clip` the kept formats of `wanted` it lacks whose shared files are there; the others
// are noted as awaited. A format is taken as its own file's content name, as capture keeps it.
bool fillFormats(Clip& clip, const std::vector<ClipFormat>& wanted, const ClipboardStore& clips,
                 const std::filesystem::path& folder, std::set<std::string>& awaited)
{
    bool added = false;
    for (const ClipFormat& format : wanted) {
        if (std::any_of(clip.formats.begin(), clip.formats.end(),
                        [&](const ClipFormat& have) { return have.type == format.type; }))
            continue;
        const auto bytes = SyncFolder::readFormat(folder, format.file, KeptFormats::capFor(format.type));
        std::optional<std::string> name = bytes ? writeFormatFile(clips.dataHome(), *bytes) : std::nullopt;
        if (!name) {
            awaited.insert(format.file);
            continue;
        }
        clip.formats.push_back(ClipFormat{format.type, std::move(*name)});
        added = true;
    }
    return added;
}

// Gives a placeholder its picture once the shared file is there; false while it is not.
bool fillPicture(Clip& clip, const std::string& picture, const ClipboardStore& clips,
                 const std::filesystem::path& folder)
{
    const auto bytes = SyncFolder::readPicture(folder, picture);
    if (!bytes)
        return false;
    const std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size());
    auto name = writeImage(clips.dataHome(), data, picture.substr(picture.size() - 3));
    if (!name)
        return false;
    clip.imgFile = std::move(*name);
    clip.sig = picture.substr(0, 64);
    return true;
}

} // namespace

bool awaitedPictureArrived(const ClipboardStore& clips, const std::filesystem::path& folder)
{
    const std::filesystem::path pictures = folder / SyncFolder::picturesName;
    for (const Clip& clip : clips.items) {
        if (!awaitsPicture(clip) || !clip.sig)
            continue;
        for (const char* ext : {".png", ".jpg"})
            if (::access((pictures / (*clip.sig + ext)).c_str(), F_OK) == 0)
                return true;
    }
    return false;
}

ViewChange applyMergedHistory(const MergedHistory& merged, ClipboardStore& clips, SessionStore& sessions,
                              const SyncScope& scope, const std::filesystem::path& folder, size_t historyLimit)
{
    ViewChange change = applySessionsAndBlocks(merged, clips, sessions, scope);
    std::unordered_set<std::string> knownSessions;
    for (const Session& session : sessions.sessions)
        knownSessions.insert(session.id);
    std::unordered_set<std::string> knownBlocks;
    for (const Block& block : sessions.blocks)
        knownBlocks.insert(block.id);

    const size_t before = clips.items.size();
    std::erase_if(clips.items, [&](const Clip& clip) {
        return merged.deletedEntries.contains(clip.id) && !scope.localSessions.contains(clip.sessionId);
    });
    change.changed += before - clips.items.size();

    std::unordered_map<std::string, size_t> index;
    for (size_t i = 0; i < clips.items.size(); ++i)
        index.emplace(clips.items[i].id, i);
    std::vector<const MergedEntry*> missing;
    std::unordered_set<std::string> retimed;
    for (const MergedEntry& entry : merged.entries) {
        std::string session = localSession(entry.session, scope);
        if (scope.localSessions.contains(session))
            continue;
        if (!knownSessions.contains(session))
            session = scope.defaultSessionId;
        const std::optional<std::string> block =
            entry.block && knownBlocks.contains(*entry.block) ? entry.block : std::nullopt;
        const auto found = index.find(entry.id);
        if (found == index.end()) {
            missing.push_back(&entry);
            continue;
        }
        Clip& clip = clips.items[found->second];
        if (scope.localSessions.contains(clip.sessionId))
            continue;
        if (awaitsPicture(clip) && entry.kind == "image") {
            if (fillPicture(clip, entry.picture, clips, folder))
                ++change.changed;
            else
                ++change.waiting;
        }
        if (clip.formats.size() < entry.formats.size() && fillFormats(clip, entry.formats, clips, folder, change.awaitedFormats))
            ++change.changed;
        if (clip.pinned != entry.pinned || clip.blockId != block || clip.sessionId != session || clip.ts < entry.ts) {
            clip.pinned = entry.pinned;
            clip.blockId = block;
            clip.sessionId = session;
            if (clip.ts < entry.ts) {
                clip.ts = entry.ts;
                retimed.insert(clip.id);
            }
            ++change.changed;
        }
    }

    // Only what the history limit keeps is brought in: the newest unpinned entries of the whole
    // view, local and arriving together, and every pinned one.
    std::vector<double> unpinnedTimes;
    for (const Clip& clip : clips.items)
        if (!clip.pinned)
            unpinnedTimes.push_back(clip.ts);
    for (const MergedEntry* entry : missing)
        if (!entry->pinned)
            unpinnedTimes.push_back(entry->ts);
    double oldestKept = -1;
    if (historyLimit > 0 && unpinnedTimes.size() > historyLimit) {
        std::nth_element(unpinnedTimes.begin(), unpinnedTimes.begin() + static_cast<long>(historyLimit - 1),
                         unpinnedTimes.end(), std::greater<>());
        oldestKept = unpinnedTimes[historyLimit - 1];
    }

    std::vector<Clip> moved;
    for (const MergedEntry* entry : missing) {
        const bool pinned = entry->pinned;
        const double ts = entry->ts;
        if (!pinned && ts < oldestKept)
            continue;
        Clip clip;
        clip.id = entry->id;
        clip.ts = ts;
        clip.pinned = pinned;
        clip.kind = entry->kind;
        clip.sessionId = localSession(entry->session, scope);
        if (!knownSessions.contains(clip.sessionId))
            clip.sessionId = scope.defaultSessionId;
        if (entry->block && knownBlocks.contains(*entry->block))
            clip.blockId = entry->block;
        if (entry->kind == "image") {
            // A picture not here yet shows as a placeholder until its file arrives.
            clip.sig = entry->picture.substr(0, 64);
            clip.text = labelOf(entry->text);
            if (!fillPicture(clip, entry->picture, clips, folder))
                ++change.waiting;
        } else {
            if (!acceptableText(entry->text))
                continue;
            clip.text = entry->text;
        }
        fillFormats(clip, entry->formats, clips, folder, change.awaitedFormats);
        moved.push_back(std::move(clip));
        ++change.added;
    }
    if (!moved.empty() || !retimed.empty()) {
        for (auto it = clips.items.begin(); it != clips.items.end();) {
            if (retimed.contains(it->id)) {
                moved.push_back(std::move(*it));
                it = clips.items.erase(it);
            } else {
                ++it;
            }
        }
        placeByTime(clips.items, std::move(moved));
    }
    if (change.any()) {
        clips.items = pinnedFirst(std::move(clips.items));
        clips.applyHistoryLimit();
        clips.pruneImages();
        clips.save();
    }
    return change;
}

} // namespace brimble
