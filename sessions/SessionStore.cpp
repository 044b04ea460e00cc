#include "sessions/SessionStore.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "history/AppSupport.h"
#include "common/AtomicFile.h"
#include "common/JsonText.h"
#include "history/ClipboardStore.h"
#include "common/Uuid.h"
#include "sessions/SessionCodec.h"

namespace brimble {

namespace {

constexpr int privateFileMode = 0600;
constexpr const char* sessionsFileName = "sessions.json";
constexpr const char* blocksFileName = "blocks.json";

// Reads one list file record by record. A missing file is a first run; one that exists but does
// not decode whole is remembered in `unreadable` so that it can be kept before being replaced.
// The records that could be read are used either way.
template<typename Record, typename Decode>
void loadList(const std::filesystem::path& file, Decode decode, std::vector<Record>& list, bool& unreadable)
{
    std::error_code error;
    if (std::optional<std::string> bytes = readWholeFile(file)) {
        if (std::optional<json::RecordList<Record>> records = decode(*bytes)) {
            list = std::move(records->records);
            unreadable = records->leftOut > 0;
        } else {
            unreadable = true;
        }
    } else {
        unreadable = std::filesystem::exists(std::filesystem::symlink_status(file, error));
    }
}

// Writes one list file; returns whether it landed. An encoding failure writes nothing and counts
// as a failure, so the file is known to be behind its list.
bool saveList(const std::filesystem::path& dataHome, const char* fileName,
              const std::optional<std::string>& bytes, bool& unreadable)
{
    const std::filesystem::path folder = AppSupport::directory(dataHome);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!bytes)
        return false;
    const std::filesystem::path file = folder / fileName;
    if (!clearWayForWrite(file, unreadable))
        return false;
    return writeFileAtomically(file, *bytes, privateFileMode);
}

} // namespace

SessionStore::SessionStore(std::filesystem::path dataHome)
    : dataHome_(std::move(dataHome))
{
    const std::filesystem::path folder = AppSupport::directory(dataHome_);
    removeStaleTemporaries(folder / sessionsFileName);
    removeStaleTemporaries(folder / blocksFileName);
    loadList(folder / sessionsFileName, decodeSessionList, sessions, keepUnreadableSessions_);
    loadList(folder / blocksFileName, decodeBlockList, blocks, keepUnreadableBlocks_);
}

SessionStore::~SessionStore() = default;

void SessionStore::saveSessions()
{
    sessionsUnsaved_ = !saveList(dataHome_, sessionsFileName, encodeSessions(sessions), keepUnreadableSessions_);
}

void SessionStore::saveBlocks()
{
    blocksUnsaved_ = !saveList(dataHome_, blocksFileName, encodeBlocks(blocks), keepUnreadableBlocks_);
}

void SessionStore::saveIfUnsaved()
{
    if (sessionsUnsaved_)
        saveSessions();
    if (blocksUnsaved_)
        saveBlocks();
}

Session SessionStore::ensureDefaultSession(ClipboardStore& clip, double now)
{
    if (sessions.empty()) {
        sessions = {Session{newUuid(), "Default", now}};
        saveSessions();
    }
    const Session first = sessions.front();
    clip.adoptOrphans(first.id);
    return first;
}

Session SessionStore::createSession(const std::string& name, double now)
{
    sessions.push_back(Session{newUuid(), name, now});
    saveSessions();
    return sessions.back();
}

void SessionStore::renameSession(const std::string& id, const std::string& name)
{
    const auto found = std::find_if(sessions.begin(), sessions.end(), [&](const Session& s) { return s.id == id; });
    if (found == sessions.end())
        return;
    found->name = name;
    saveSessions();
}

Block SessionStore::createBlock(const std::string& name, const std::string& color, const std::string& sessionId)
{
    // One above the highest rank in use, so ranks below it are never reused and deletions leave
    // gaps. A hand-edited maximum rank saturates rather than overflowing.
    std::optional<int64_t> highest;
    for (const Block& block : blocks) {
        if (block.sessionId == sessionId)
            highest = std::max(highest.value_or(block.order), block.order);
    }
    int64_t order = 0;
    if (highest)
        order = *highest == std::numeric_limits<int64_t>::max() ? *highest : *highest + 1;
    blocks.push_back(Block{newUuid(), name, color, false, sessionId, order});
    saveBlocks();
    return blocks.back();
}

void SessionStore::renameBlock(const std::string& id, const std::string& name)
{
    const auto found = std::find_if(blocks.begin(), blocks.end(), [&](const Block& b) { return b.id == id; });
    if (found == blocks.end())
        return;
    found->name = name;
    saveBlocks();
}

void SessionStore::setBlockColor(const std::string& id, const std::string& color)
{
    if (std::find(blockPalette.begin(), blockPalette.end(), color) == blockPalette.end())
        return;
    const auto found = std::find_if(blocks.begin(), blocks.end(), [&](const Block& b) { return b.id == id; });
    if (found == blocks.end())
        return;
    found->color = color;
    saveBlocks();
}

void SessionStore::toggleBlockPinned(const std::string& id)
{
    const auto found = std::find_if(blocks.begin(), blocks.end(), [&](const Block& b) { return b.id == id; });
    if (found == blocks.end())
        return;
    found->pinned = !found->pinned;
    saveBlocks();
}

void SessionStore::deleteBlock(const std::string& id)
{
    std::erase_if(blocks, [&](const Block& b) { return b.id == id; });
    saveBlocks();
}

std::vector<Block> SessionStore::blocksInSession(const std::string& sessionId) const
{
    std::vector<Block> inSession;
    std::copy_if(blocks.begin(), blocks.end(), std::back_inserter(inSession),
                 [&](const Block& b) { return isShownIn(b, sessionId); });
    return inSession;
}

bool SessionStore::isShownIn(const Block& block, const std::string& sessionId) const
{
    return block.sessionId == sessionId || !hasSession(block.sessionId);
}

bool SessionStore::hasSession(const std::string& id) const
{
    return std::any_of(sessions.begin(), sessions.end(), [&](const Session& s) { return s.id == id; });
}

} // namespace brimble
