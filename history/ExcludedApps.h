#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace brimble {

class Defaults;
class Dialogs;

// Lets the user choose a desktop entry and adds its id to "excludedApps" (unless already there
// in any letter case); an entry that cannot be read shows the "no bundle identifier" alert.
void runExcludeAppPicker(Dialogs& dialogs, Defaults& defaults);

// Removes every "excludedApps" entry equal to `id` ignoring case, and stores the list back.
void removeExcludedApp(Defaults& defaults, const std::string& id);

// The desktop-entry id of a .desktop file (its name relative to an "applications" folder, "/"
// replaced by "-"), or nothing when the file is no readable desktop entry.
std::optional<std::string> desktopEntryId(const std::filesystem::path& desktopFile);

} // namespace brimble
