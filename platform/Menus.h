#pragma once

#include <string>
#include <vector>

namespace brimble {

// Everything a menu item can ask of the program.
enum class MenuAction {
    None,
    ShowAbout,
    Hide,
    Quit,
    ImportFromParleo,
    CloseWindow,
    Undo,
    Redo,
    Cut,
    Copy,
    Paste,
    SelectAll,
    TogglePause,
    Minimize,
    Zoom,
    ShowMainWindow,
    ToggleDockVisible,
    ToggleStartAtLogin,
};

struct MenuItem {
    std::string title;             // empty title: a separator
    MenuAction action = MenuAction::None;
    std::string accelerator;       // GTK accelerator syntax, e.g. "<Control><Shift>p"; empty: none
    bool checkable = false;        // shows a check mark, asked from AppDelegate::isMenuItemChecked
    bool checked = false;          // the state when built (status menu)
    bool enabled = true;
    // A desktop-wide key that also does what the item does, shown beside the title; it is bound
    // elsewhere, never by the menu. GTK accelerator syntax; empty: none.
    std::string globalAccelerator;

    static MenuItem separator() { return {}; }
    bool isSeparator() const { return title.empty(); }
};

struct Menu {
    std::string title;
    std::vector<MenuItem> items;
};

// The main menu bar and the tray item's menu.
class Menus {
public:
    Menus() = default;
    Menus(const Menus&) = delete;
    Menus& operator=(const Menus&) = delete;
    virtual ~Menus() = default;

    // Installs the menu bar of the main window, once.
    virtual void installMenuBar(const std::vector<Menu>& menus) = 0;
    // Creates the tray item on first use, then sets its icon (none when the file is missing) and
    // replaces its menu.
    virtual void installStatusItem(const std::string& iconPath, const Menu& menu) = 0;
};

} // namespace brimble
