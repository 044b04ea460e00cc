#include "settings/Settings.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

namespace brimble {

std::optional<SettingKind> settingKind(std::string_view key)
{
    static constexpr std::array<std::pair<std::string_view, SettingKind>, 11> kinds{{
        {Def::clipboardPaused, SettingKind::Boolean},
        {Def::devtools, SettingKind::Boolean},
        {Def::historyLimit, SettingKind::Integer},
        {Def::excludedApps, SettingKind::TextList},
        {Def::recordSecrets, SettingKind::Boolean},
        {Def::importOfferDone, SettingKind::Boolean},
        {Def::activeSessionId, SettingKind::Text},
        {Def::appearanceMode, SettingKind::Text},
        {Def::dockVisible, SettingKind::Boolean},
        {Def::pasteAfterChoosing, SettingKind::Boolean},
        {Def::pageReleaseSeconds, SettingKind::Integer},
    }};
    for (const auto& [name, kind] : kinds)
        if (name == key)
            return kind;
    return std::nullopt;
}

bool boolSetting(const Defaults& defaults, std::string_view key, bool fallback)
{
    return defaults.boolValue(key).value_or(fallback);
}

int effectiveHistoryLimit(std::optional<int64_t> stored)
{
    const int64_t value = stored.value_or(0);
    if (value == 0)
        return 50;
    return static_cast<int>(std::clamp<int64_t>(value, 10, 500));
}

int historyLimitSetting(const Defaults& defaults)
{
    const std::optional<int64_t> stored = defaults.intValue(Def::historyLimit);
    if (!stored && defaults.has(Def::historyLimit))
        return effectiveHistoryLimit(std::numeric_limits<int64_t>::max());
    return effectiveHistoryLimit(stored);
}

std::vector<std::string> excludedAppsSetting(const Defaults& defaults)
{
    return defaults.stringListValue(Def::excludedApps).value_or(std::vector<std::string>{});
}

std::optional<std::filesystem::path> syncFolderSetting(const Defaults& defaults)
{
    const std::optional<std::string> stored = defaults.stringValue(Def::syncFolder);
    if (!stored || stored->empty() || !std::filesystem::path(*stored).is_absolute())
        return std::nullopt;
    return std::filesystem::path(*stored).lexically_normal();
}

std::vector<std::string> syncLocalSessionsSetting(const Defaults& defaults)
{
    return defaults.stringListValue(Def::syncLocalSessions).value_or(std::vector<std::string>{});
}

double pageReleaseDelaySetting(const Defaults& defaults)
{
    const std::optional<int64_t> stored = defaults.intValue(Def::pageReleaseSeconds);
    if (!stored)
        return pageReleaseDelaySeconds;
    return static_cast<double>(std::clamp<int64_t>(*stored, 1, 86'400));
}

std::string appearanceModeSetting(const Defaults& defaults)
{
    return defaults.stringValue(Def::appearanceMode).value_or("system");
}

Appearance appearanceForMode(std::string_view mode)
{
    if (mode == "light")
        return Appearance::Light;
    if (mode == "dark")
        return Appearance::Dark;
    return Appearance::System;
}

} // namespace brimble
