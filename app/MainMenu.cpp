#include "app/MainMenu.h"

namespace brimble {

std::vector<Menu> mainMenuBar()
{
    // "Hide Others" and "Show All" have no meaning on a Linux desktop and are left out.
    return {
        {"Brimble",
         {{"About Brimble", MenuAction::ShowAbout},
          MenuItem::separator(),
          {"Hide Brimble", MenuAction::Hide, "<Control>h"},
          MenuItem::separator(),
          {"Quit Brimble", MenuAction::Quit, "<Control>q"}}},
        {"File",
         {{"Import History from Parleo 2.0…", MenuAction::ImportFromParleo},
          MenuItem::separator(),
          {"Close Window", MenuAction::CloseWindow, "<Control>w"}}},
        {"Edit",
         {{"Undo", MenuAction::Undo, "<Control>z"},
          {"Redo", MenuAction::Redo, "<Control><Shift>z"},
          MenuItem::separator(),
          {"Cut", MenuAction::Cut, "<Control>x"},
          {"Copy", MenuAction::Copy, "<Control>c"},
          {"Paste", MenuAction::Paste, "<Control>v"},
          {"Select All", MenuAction::SelectAll, "<Control>a"}}},
        {"Capture", {{"Pause Recording", MenuAction::TogglePause, "<Control><Shift>p", true}}},
        {"Window",
         {{"Minimize", MenuAction::Minimize, "<Control>m"}, {"Zoom", MenuAction::Zoom}}},
    };
}

Menu statusMenu(const StatusMenuState& state)
{
    MenuItem show{"Show Brimble", MenuAction::ShowMainWindow};
    if (state.shortcut == ShortcutState::Bound)
        show.globalAccelerator = showWindowShortcut;
    MenuItem showInDock{"Show in Dock", MenuAction::ToggleDockVisible, "", true, state.dock == DockVisibility::Shown};
    MenuItem startAtLogin{"Start at Login", MenuAction::ToggleStartAtLogin, "", true, state.login == StartAtLogin::On};

    Menu menu{"Brimble", {show}};
    if (state.shortcut == ShortcutState::Taken)
        menu.items.push_back({shortcutTakenText, MenuAction::None, "", false, false, false});
    menu.items.insert(menu.items.end(), {MenuItem::separator(), showInDock, startAtLogin, MenuItem::separator(),
                                         {"Quit Brimble", MenuAction::Quit, "<Control>q"}});
    return menu;
}

} // namespace brimble
