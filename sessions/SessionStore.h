#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "sessions/Block.h"
#include "sessions/Session.h"

namespace brimble {

class ClipboardStore;

// Sessions and blocks, kept in "sessions.json" and "blocks.json" beside the history.
class SessionStore {
public:
    // Loads both files record by record: a session or block that cannot be read is left out and
    // the rest kept; a file that is not a list at all leaves its list empty. A file that did not
    // load whole is moved aside before it is first overwritten.
    explicit SessionStore(std::filesystem::path dataHome);
    SessionStore(const SessionStore&) = delete;
    SessionStore& operator=(const SessionStore&) = delete;
    ~SessionStore();

    std::vector<Session> sessions; // creation order
    std::vector<Block> blocks;     // creation order

    void saveSessions();
    void saveBlocks();
    // Writes again a file whose last save did not land. Entries saved in "clipboard.json" name
    // their session by id; were "sessions.json" left behind after a failed write, the next
    // start would not know that session and would hide its entries.
    void saveIfUnsaved();

    // Makes sure a session exists and returns the first one; it takes in every entry that never
    // had a session. Entries and blocks of a session that is not known (its file missing or
    // damaged) keep their session's id, are shown in the session in use, and go back to their
    // own when the sessions file comes back: nothing here rewrites which session they belong to.
    Session ensureDefaultSession(ClipboardStore& clip, double now);
    Session createSession(const std::string& name, double now);
    void renameSession(const std::string& id, const std::string& name);
    Block createBlock(const std::string& name, const std::string& color, const std::string& sessionId);
    void renameBlock(const std::string& id, const std::string& name);
    void setBlockColor(const std::string& id, const std::string& color);
    void toggleBlockPinned(const std::string& id);
    void deleteBlock(const std::string& id);
    // The blocks shown in a session: its own, and those of sessions that are not known.
    std::vector<Block> blocksInSession(const std::string& sessionId) const;
    bool isShownIn(const Block& block, const std::string& sessionId) const;
    bool hasSession(const std::string& id) const;

private:
    std::filesystem::path dataHome_;
    // Set for a file that exists but could not be decoded; it is moved aside before its first save.
    bool keepUnreadableSessions_ = false;
    bool keepUnreadableBlocks_ = false;
    // Set while a file on disk is older than its list because a save failed.
    bool sessionsUnsaved_ = false;
    bool blocksUnsaved_ = false;
};

} // namespace brimble
