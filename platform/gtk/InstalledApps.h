#pragma once

#include <string>
#include <vector>

#include "platform/WindowMatch.h"

namespace brimble {

// Every installed application's desktop entry, from each XDG applications folder (the user's,
// the system's and Flatpak's exports, as XDG_DATA_HOME and XDG_DATA_DIRS list them), with the
// texts that windows are matched by, case-folded.
std::vector<DesktopEntryTraits> installedDesktopEntries();

// Whether an entry of this id (compared ignoring case) is among `entries`.
bool includesEntry(const std::vector<DesktopEntryTraits>& entries, const std::string& id);

// `text` case-folded for matching; empty for null.
std::string foldedForMatching(const char* text);

} // namespace brimble
