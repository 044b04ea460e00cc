#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WindowMatch.h"

namespace brimble::wayland {

// The desktop-entry id of a Wayland app_id: the entry of that very id, else one whose id or
// StartupWMClass equals it ignoring case ("firefox-esr" and "Firefox-esr"), else one whose id
// ends with it as the last dotted part ("gedit" for "org.gnome.gedit"). The app_id itself when
// no entry matches, since most programs use their entry's id; nothing for an empty app_id.
std::optional<std::string> desktopEntryForAppId(std::string_view appId, const std::vector<DesktopEntryTraits>& entries);

} // namespace brimble::wayland
