#pragma once

#include <vector>

#include "platform/Menus.h"

namespace brimble {

enum class DockVisibility { Hidden, Shown };

// The menu bar: application, "File", "Edit", "Capture" and "Window" menus.
std::vector<Menu> mainMenuBar();

// The tray item's menu; "Show in Dock" carries the current visibility.
Menu statusMenu(DockVisibility dock);

} // namespace brimble
