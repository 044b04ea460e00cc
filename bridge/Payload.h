#pragma once

#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "bridge/PageView.h"
#include "sessions/Block.h"
#include "sessions/Session.h"

namespace brimble {

class ClipboardStore;

// The settings values a snapshot carries.
// Sync with other machines, when it is on.
struct PayloadSync {
    std::string state = "ok"; // "ok", "missing" (the folder is away) or "unwritable"
    double lastArrival = 0;   // when a change from another machine last arrived; 0: none yet
    std::string folder;
    std::vector<std::string> localSessions; // sessions kept on this machine
};

// The removal the page offers to undo.
struct PayloadUndo {
    std::string kind; // "delete" or "clear"
    size_t count = 0;
    uint64_t serial = 0;
};

struct PayloadSettings {
    bool paused = false;
    int cap = 50;
    std::vector<std::string> excluded;
    std::vector<std::string> excludedUnmatched; // excluded ids no installed application has
    bool recordSecrets = false;
    std::string activeSessionId;
    std::string appearanceMode = "system";
    bool autostart = false;
    bool pasteAfterChoosing = false;
    // Whether the desktop lets the application in front be told, so excluded apps can match.
    bool frontmostKnown = true;
    // Whether pasting after choosing can work on this desktop.
    bool pasteAvailable = true;
    // Whether the clipboard can still be watched; false once the connection it is watched
    // through is lost, when nothing is recorded whatever the pause switch says.
    bool clipboardWatched = true;
    std::vector<std::string> collapsedBlocks; // ids of the blocks the page shows collapsed
    PageView view;                            // what the user left on the last page
    std::optional<PayloadSync> sync;          // nothing while sync is off
    std::optional<PayloadUndo> undo;          // nothing when there is nothing to undo
    // Whether a copied file is gone, as far as is known; without it each is looked at now.
    std::function<bool(const std::string&)> fileMissing;
};

// How a snapshot carries the entries' texts.
struct PayloadTexts {
    // When not zero, a text longer than this many bytes is sent as its beginning only, cut at a
    // character's start: its row carries "textPart": true and "chars", the whole text's length
    // in characters (code points), for the page to tell its size until the whole text follows.
    size_t headBytes = 0;
    // Filled with whether any text was cut.
    bool cut = false;
};

// The snapshot of the active session as compact JSON; never fails (a fallback document is
// returned when a value cannot be written, such as a non-finite time). The snapshot always
// describes the whole state, but the text of an entry whose id is in `held` (texts the page
// already holds; an entry's text never changes) is named rather than sent: its row carries
// "textHeld": true and no "text". `entryIds`, when given, receives the id of every entry whose
// whole text the page holds once it has taken the snapshot: every entry but those cut short.
std::string payloadJSON(const ClipboardStore& store, const PayloadSettings& settings,
                        const std::vector<Session>& sessions, const std::vector<Block>& blocks,
                        const std::unordered_set<std::string>& held = {},
                        std::vector<std::string>* entryIds = nullptr, PayloadTexts* texts = nullptr);

// Where the page fetches the snapshot that `stateScript` announces.
inline constexpr const char* stateURL = "vellumo://clipboard/state.json";

// The script that has the page fetch the snapshot from `stateURL` and draw it; its value is a
// promise kept once the page has drawn it. The snapshot travels as the answer to a request,
// never inside a script: the engine keeps an evaluated script's text, with every string in it,
// in its cache of compiled code (about 60 MiB for a 25 MB history).
std::string stateScript();

} // namespace brimble
