#pragma once

#include <optional>
#include <string>

#include "history/Clip.h"

namespace brimble::test {

// A text entry as the history tests write them: its text names its id, so a misplaced entry
// shows in a failure by what a user would read.
inline Clip clip(const std::string& id, bool pinned = false, const std::string& sessionId = "S",
                 std::optional<std::string> blockId = std::nullopt)
{
    Clip made;
    made.id = id;
    made.ts = 100;
    made.text = "text " + id;
    made.pinned = pinned;
    made.sessionId = sessionId;
    made.blockId = std::move(blockId);
    return made;
}

} // namespace brimble::test
