#include "app/MainMenu.h"

#include "common/Translation.h"

namespace brimble {

std::vector<Menu> mainMenuBar()
{
    // "Hide Others" and "Show All" have no meaning on a Linux desktop and are left out.
    return {
        // TRANSLATORS: the application menu, named after the program; keep the name.
        {_("Brimble"),
         {{_("About Brimble"), MenuAction::ShowAbout},
          MenuItem::separator(),
          {_("Hide Brimble"), MenuAction::Hide, "<Control>h"},
          MenuItem::separator(),
          {_("Quit Brimble"), MenuAction::Quit, "<Control>q"}}},
        {_("File"),
         {{_("Import History from Parleo 2.0…"), MenuAction::ImportFromParleo},
          MenuItem::separator(),
          {_("Close Window"), MenuAction::CloseWindow, "<Control>w"}}},
        {_("Edit"),
         {{_("Undo"), MenuAction::Undo, "<Control>z"},
          {_("Redo"), MenuAction::Redo, "<Control><Shift>z"},
          MenuItem::separator(),
          {_("Cut"), MenuAction::Cut, "<Control>x"},
          {_("Copy"), MenuAction::Copy, "<Control>c"},
          {_("Paste"), MenuAction::Paste, "<Control>v"},
          {_("Select All"), MenuAction::SelectAll, "<Control>a"}}},
        {_("Capture"), {{_("Pause Recording"), MenuAction::TogglePause, "<Control><Shift>p", true}}},
        {_("Window"),
         {{_("Minimize"), MenuAction::Minimize, "<Control>m"}, {_("Zoom"), MenuAction::Zoom}}},
    };
}

Menu statusMenu(const StatusMenuState& state)
{
    MenuItem show{_("Show Brimble"), MenuAction::ShowMainWindow};
    if (state.shortcut == ShortcutState::Bound)
        show.globalAccelerator = showWindowShortcut;
    MenuItem showInDock{_("Show in Dock"), MenuAction::ToggleDockVisible, "", true, state.dock == DockVisibility::Shown};
    MenuItem startAtLogin{_("Start at Login"), MenuAction::ToggleStartAtLogin, "", true, state.login == StartAtLogin::On};

    Menu menu{_("Brimble"), {show}};
    if (state.shortcut == ShortcutState::Taken)
        menu.items.push_back({_(shortcutTakenText), MenuAction::None, "", false, false, false});
    menu.items.insert(menu.items.end(), {MenuItem::separator(), showInDock, startAtLogin, MenuItem::separator(),
                                         {_("Quit Brimble"), MenuAction::Quit, "<Control>q"}});
    return menu;
}

} // namespace brimble
