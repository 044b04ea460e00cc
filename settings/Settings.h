#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AppShell.h"
#include "platform/Defaults.h"

namespace brimble {

// How long the window stays hidden before its page is released. Showing the window again within
// this time finds the page as it was; after it, the page is built afresh (about a quarter of a
// second for a short history).
inline constexpr double pageReleaseDelaySeconds = 60;

// The settings keys. Defaults are applied where a key is read, never stored.
namespace Def {
inline constexpr std::string_view clipboardPaused = "clipboardPaused";
inline constexpr std::string_view devtools = "devtools";
inline constexpr std::string_view historyLimit = "historyLimit";
inline constexpr std::string_view excludedApps = "excludedApps";
inline constexpr std::string_view recordSecrets = "recordSecrets";
inline constexpr std::string_view importOfferDone = "importOfferDone";
inline constexpr std::string_view activeSessionId = "activeSessionId";
inline constexpr std::string_view appearanceMode = "appearanceMode";
inline constexpr std::string_view dockVisible = "dockVisible";
inline constexpr std::string_view pasteAfterChoosing = "pasteAfterChoosing";
inline constexpr std::string_view pageReleaseSeconds = "pageReleaseSeconds";
inline constexpr std::string_view syncFolder = "syncFolder";
inline constexpr std::string_view syncLocalSessions = "syncLocalSessions";
} // namespace Def

// The kind each key above is read as; nothing for any other key.
std::optional<SettingKind> settingKind(std::string_view key);

// The stored Boolean, or `fallback` when the key is absent.
bool boolSetting(const Defaults& defaults, std::string_view key, bool fallback);

// The effective history limit of a stored value: absent or 0 gives 50, anything else 10...500.
int effectiveHistoryLimit(std::optional<int64_t> stored);
// The limit in force; a stored value that does not read as a number (a typo with no earlier value
// to keep) gives the highest limit, so that a value nobody meant trims nothing.
int historyLimitSetting(const Defaults& defaults);

// "excludedApps": empty when absent or not a list of texts.
std::vector<std::string> excludedAppsSetting(const Defaults& defaults);

// "syncFolder": the folder shared with the other machines, or nothing while sync is off (absent,
// empty, or not an absolute path).
std::optional<std::filesystem::path> syncFolderSetting(const Defaults& defaults);

// "syncLocalSessions": the sessions kept on this machine while sync is on.
std::vector<std::string> syncLocalSessionsSetting(const Defaults& defaults);

// "pageReleaseSeconds": how long the window stays hidden before its page is released; absent
// gives `pageReleaseDelaySeconds`, anything else 1...86400. Tests shorten it.
double pageReleaseDelaySetting(const Defaults& defaults);

// "appearanceMode" as stored, "system" when absent.
std::string appearanceModeSetting(const Defaults& defaults);

// The appearance of a mode text: exact "light" and "dark"; anything else follows the system.
Appearance appearanceForMode(std::string_view mode);

} // namespace brimble
