#pragma once

#include <string>
#include <vector>

#include <gio/gio.h>

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

// The installed desktop entries, read at the first lookup and again at the first one after
// applications were installed or removed.
class InstalledEntries {
public:
    InstalledEntries();
    ~InstalledEntries();
    InstalledEntries(const InstalledEntries&) = delete;
    InstalledEntries& operator=(const InstalledEntries&) = delete;

    const std::vector<DesktopEntryTraits>& all();
    bool includes(const std::string& id) { return includesEntry(all(), id); }

private:
    static void onAppsChanged(GAppInfoMonitor* monitor, gpointer self);

    GAppInfoMonitor* monitor_;
    bool loaded_ = false;
    std::vector<DesktopEntryTraits> entries_;
};

} // namespace brimble
