#pragma once

#include <vector>

#include "settings/Autostart.h"
#include "common/Translation.h"
#include "platform/Menus.h"

namespace brimble {

enum class DockVisibility { Hidden, Shown };

// The desktop-wide key that shows or hides the window.
inline constexpr const char* showWindowShortcut = "<Control><Alt>v";
// The tray's line when the key is taken; marked here and translated where it is shown.
inline constexpr const char* shortcutTakenText = N_("Shortcut Ctrl+Alt+V is in use by another program");

// Whether the desktop-wide key is ours: not tried yet, grabbed, or held by another program.
enum class ShortcutState { Unbound, Bound, Taken };

// What the tray item's menu shows besides its fixed items.
struct StatusMenuState {
    DockVisibility dock = DockVisibility::Shown;
    StartAtLogin login = StartAtLogin::Off;
    ShortcutState shortcut = ShortcutState::Unbound;
};

// The menu bar: application, "File", "Edit", "Capture" and "Window" menus.
std::vector<Menu> mainMenuBar();

// The tray item's menu: "Show Brimble" carries the shortcut when it is ours, a disabled line says
// when another program holds it, and the check items carry the current state.
Menu statusMenu(const StatusMenuState& state);

} // namespace brimble
