#pragma once

#include <array>
#include <string_view>

namespace brimble {

// The Help window's texts: six topics about the page's features, shown in this order.

inline constexpr std::string_view helpWindowTitle = "How to use Brimble";
inline constexpr std::string_view helpHeading = "How to use Brimble";

struct HelpTopic {
    std::string_view title;
    std::string_view body;
};

inline constexpr std::array<HelpTopic, 6> helpTopics{{
    {"Multi-select",
     "Cmd-click a card to select it; Cmd-click again to deselect. Shift-click extends a contiguous "
     "range. With one or more selected, a floating bar appears with Move to Block, Save as New "
     "Session, Pin/Unpin, and Delete — each one acts on the whole selection."},
    {"Blocks",
     "A block is a named, colored group of cards that lives inside the current session. Create one "
     "from New Block in the toolbar, or from a selection via Move to Block → New Block…. Click a "
     "block's chevron to collapse or expand it, pin it to keep it (and its cards) sorted to the top, "
     "or delete it — deleting a block never deletes its cards, they just become unblocked again."},
    {"Sessions",
     "A session is a whole separate saved workspace — bigger than a block. Only the active "
     "session's cards and blocks are shown at any time. Switch, rename, or create one from the "
     "session menu next to the app name in the header. Save as New Session (in the selection bar) "
     "moves the selected cards into a brand-new session and switches to it."},
    {"Drag & drop",
     "Drag a card to reorder it, drop it onto a block to file it there, or drag it back out to the "
     "open grid to unblock it."},
    {"Pinning",
     "Pin a card (or a whole block) to keep it sorted to the top and exempt it from the history "
     "limit — pinned items are never dropped when older entries age out."},
    {"Settings",
     "History limit, excluded apps, whether password-manager entries are recorded, the "
     "System/Light/Dark appearance override, and Show in Dock (menu-bar-only mode) all live behind "
     "the Settings button."},
}};

} // namespace brimble
