#pragma once

#include <functional>

#include <gtk/gtk.h>

#include "platform/Menus.h"

namespace brimble {

// Builds GTK menus from the program's menu model: one item per entry, separators, check items
// and accelerators. Each chosen item calls `onAction` with its action.
class MenuBuilder {
public:
    using ActionHandler = std::function<void(MenuAction)>;
    using CheckQuery = std::function<bool(MenuAction)>;

    // `accelerators` may be null (a tray menu binds no keys but shows the keys the window's menu
    // binds, so each command's key is learnt wherever it is seen). `isChecked`, when given, sets
    // the check marks each time a menu opens; otherwise they keep the model's `checked` state.
    MenuBuilder(GtkAccelGroup* accelerators, ActionHandler onAction, CheckQuery isChecked);

    GtkWidget* menuBar(const std::vector<Menu>& menus) const;
    GtkWidget* menu(const Menu& menu) const;

private:
    GtkWidget* item(const MenuItem& model, GtkAccelGroup* shownKeys) const;

    GtkAccelGroup* accelerators_;
    ActionHandler onAction_;
    CheckQuery isChecked_;
};

} // namespace brimble
