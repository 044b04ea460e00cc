#include "history/ExcludedApps.h"

#include <algorithm>
#include <vector>

#include <glib.h>

#include "settings/Settings.h"
#include "history/ClipPrivacy.h"
#include "common/Translation.h"
#include "common/UnicodeText.h"
#include "platform/Defaults.h"
#include "platform/Dialogs.h"

namespace brimble {

namespace {

constexpr std::string_view desktopSuffix = ".desktop";

// The chosen item's own name, as the file system shows it.
std::string displayName(const std::filesystem::path& chosen)
{
    std::filesystem::path name = chosen.filename();
    if (name.empty())
        name = chosen.parent_path().filename();
    return name.string();
}

void showNoIdentifierAlert(Dialogs& dialogs, const std::filesystem::path& chosen)
{
    AlertSpec alert;
    alert.message = _("That app has no bundle identifier");
    // TRANSLATORS: %s is the file name of the chosen application.
    alert.informative = formatText(_("Brimble matches excluded apps by bundle identifier, and %s doesn't declare "
                                     "one. It can't be excluded this way."),
                                   displayName(chosen).c_str());
    dialogs.runAlert(alert);
}

bool sameIgnoringCase(const std::string& a, const std::string& b)
{
    return canonicallyEqual(ClipPrivacy::lowercased(a), ClipPrivacy::lowercased(b));
}

} // namespace

void runExcludeAppPicker(Dialogs& dialogs, Defaults& defaults)
{
    AppPickerSpec picker;
    picker.message = _("Choose an app to exclude. Copies made while it is frontmost will not be recorded.");
    picker.confirmLabel = _("Exclude");
    const std::optional<std::string> chosen = dialogs.chooseApplication(picker);
    if (!chosen || chosen->empty())
        return;

    const std::optional<std::string> id = desktopEntryId(*chosen);
    if (!id) {
        showNoIdentifierAlert(dialogs, *chosen);
        return;
    }

    std::vector<std::string> excluded = excludedAppsSetting(defaults);
    const bool known = std::any_of(excluded.begin(), excluded.end(),
                                   [&](const std::string& entry) { return sameIgnoringCase(entry, *id); });
    if (known)
        return;
    // Kept as the desktop entry spells it; matching ignores case anyway.
    excluded.push_back(*id);
    defaults.setStringList(Def::excludedApps, excluded);
}

void removeExcludedApp(Defaults& defaults, const std::string& id)
{
    std::vector<std::string> excluded = excludedAppsSetting(defaults);
    std::erase_if(excluded, [&](const std::string& entry) { return sameIgnoringCase(entry, id); });
    defaults.setStringList(Def::excludedApps, excluded);
}

std::optional<std::string> desktopEntryId(const std::filesystem::path& desktopFile)
{
    const std::string fileName = desktopFile.filename().string();
    if (!fileName.ends_with(desktopSuffix))
        return std::nullopt;

    g_autoptr(GKeyFile) entry = g_key_file_new();
    if (!g_key_file_load_from_file(entry, desktopFile.c_str(), G_KEY_FILE_NONE, nullptr))
        return std::nullopt;
    if (!g_key_file_has_group(entry, G_KEY_FILE_DESKTOP_GROUP))
        return std::nullopt;

    // The id is the path below the nearest "applications" folder with "/" turned into "-",
    // so "applications/kde4/konsole.desktop" is "kde4-konsole".
    const std::filesystem::path file = desktopFile.lexically_normal();
    std::filesystem::path relative = file.filename();
    for (std::filesystem::path folder = file.parent_path(); !folder.empty(); folder = folder.parent_path()) {
        if (folder.filename() == "applications") {
            relative = file.lexically_relative(folder);
            break;
        }
        if (folder == folder.parent_path())
            break;
    }
    std::string id = relative.generic_string();
    id.resize(id.size() - desktopSuffix.size());
    std::replace(id.begin(), id.end(), '/', '-');
    if (id.empty())
        return std::nullopt;
    return id;
}

} // namespace brimble
