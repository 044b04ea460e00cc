#pragma once

#include "platform/Menus.h"
#include "platform/gtk/DelegateLink.h"
#include "platform/gtk/GtkMainWindow.h"
#include "platform/gtk/GtkStatusItem.h"

namespace brimble {

class GtkWindowHost;

// The menu bar at the top of the main window and the tray item's menu.
//
// Window and editing commands (Hide, Close Window, Minimize, Zoom, Undo, Redo, Cut, Copy, Paste,
// Select All) are carried out here, on the main window and its page, the way a focused window
// answers them; every other action goes to the program.
class GtkMenus final : public Menus {
public:
    GtkMenus(GtkMainWindow& window, GtkWindowHost& host, const DelegateLink& delegate);

    void installMenuBar(const std::vector<Menu>& menus) override;
    void installStatusItem(const std::string& iconPath, const Menu& menu) override;

private:
    void perform(MenuAction action);
    bool isChecked(MenuAction action) const;

    GtkMainWindow& window_;
    GtkWindowHost& host_;
    const DelegateLink& delegate_;
    bool menuBarInstalled_ = false;
    GtkStatusItem statusItem_;
};

} // namespace brimble
