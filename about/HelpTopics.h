#pragma once

#include <array>
#include <string_view>

#include "common/Translation.h"

namespace brimble {

// The Help window's texts: the topics about the page's features, shown in this order. All are marked
// with N_() and looked up with tr() where they are shown.

inline constexpr std::string_view helpWindowTitle = N_("How to use Brimble");
inline constexpr std::string_view helpHeading = N_("How to use Brimble");

struct HelpTopic {
    std::string_view title;
    std::string_view body;
};

inline constexpr std::array<HelpTopic, 9> helpTopics{{
    {N_("Multi-select"),
     N_("Cmd-click a card to select it; Cmd-click again to deselect. Shift-click extends a contiguous "
     "range. With one or more selected, a floating bar appears with Move to Block, Save as New "
     "Session, Pin/Unpin, and Delete — each one acts on the whole selection.")},
    {N_("Blocks"),
     N_("A block is a named, colored group of cards that lives inside the current session. Create one "
     "from New Block in the toolbar, or from a selection via Move to Block → New Block…. Click a "
     "block's chevron to collapse or expand it, pin it to keep it (and its cards) sorted to the top, "
     "or delete it — deleting a block never deletes its cards, they just become unblocked again.")},
    {N_("Sessions"),
     N_("A session is a whole separate saved workspace — bigger than a block. Only the active "
     "session's cards and blocks are shown at any time. Switch, rename, or create one from the "
     "session menu next to the app name in the header. Save as New Session (in the selection bar) "
     "moves the selected cards into a brand-new session and switches to it.")},
    {N_("Drag & drop"),
     N_("Drag a card to reorder it, drop it onto a block to file it there, or drag it back out to the "
     "open grid to unblock it.")},
    {N_("Pinning"),
     N_("Pin a card (or a whole block) to keep it sorted to the top and exempt it from the history "
     "limit — pinned items are never dropped when older entries age out.")},
    {N_("Settings"),
     N_("History limit, excluded apps, whether password-manager entries are recorded, the "
     "System/Light/Dark appearance override, and Show in Dock (menu-bar-only mode) all live behind "
     "the Settings button.")},
    {N_("Search"),
     N_("Type in the search field (or press Control+F or /) to filter the cards as you type. Accents and "
     "letter case don't matter: \u201ccafe\u201d finds \u201cCaf\u00e9\u201d and \u201cstrasse\u201d finds "
     "\u201cStra\u00dfe\u201d. Cards whose text doesn't contain the query but has its letters in order, close "
     "together, follow as close matches \u2014 \u201cclpbrd\u201d finds \u201cclipboard\u201d. The matching part "
     "is marked on each card.")},
    {N_("Copy together"),
     N_("Select several text cards and choose Copy together in the floating bar: their texts go on the "
     "clipboard as one text, one after another on separate lines, in the order the cards are shown. "
     "Pictures in the selection are left out, and the bar says how many. With Paste after choosing on, "
     "the joined text is pasted at once.")},
    {N_("Quick picks"),
     N_("Control+1 to Control+9 copy the first nine cards shown \u2014 the results, while searching. Hold "
     "Control to see each card's number. With Paste after choosing on, the pick is pasted at once.")},
}};

} // namespace brimble
