#include "platform/gtk/MenuBuilder.h"

#include <memory>

namespace brimble {

namespace {

// What an item's signal handlers need, kept alive by the item itself.
struct ItemContext {
    MenuAction action;
    MenuBuilder::ActionHandler onAction;
    MenuBuilder::CheckQuery isChecked;
    // Set while the check mark is updated: GTK reports that as an activation.
    bool syncing = false;
};

constexpr const char* contextKey = "brimble-menu-item";

void dropContext(gpointer data)
{
    delete static_cast<ItemContext*>(data);
}

void onActivate(GtkMenuItem* item, gpointer)
{
    auto* context = static_cast<ItemContext*>(g_object_get_data(G_OBJECT(item), contextKey));
    if (!context || context->syncing || !context->onAction)
        return;
    // The handler may rebuild the menu that holds this item; it works on a copy.
    const MenuBuilder::ActionHandler handler = context->onAction;
    handler(context->action);
}

void syncCheckMark(GtkWidget* widget, gpointer)
{
    if (!GTK_IS_CHECK_MENU_ITEM(widget))
        return;
    auto* context = static_cast<ItemContext*>(g_object_get_data(G_OBJECT(widget), contextKey));
    if (!context || !context->isChecked)
        return;
    context->syncing = true;
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), context->isChecked(context->action));
    context->syncing = false;
}

void onMenuShow(GtkWidget* menu, gpointer)
{
    gtk_container_foreach(GTK_CONTAINER(menu), syncCheckMark, nullptr);
}

constexpr const char* shownKeysKey = "brimble-shown-keys";

// Shows a key beside the item's title without binding it: a desktop-wide key works already, and
// a menu without the window's key group (the tray's) shows the key the window's menu binds.
// The key goes into `shownKeys`, a group that no window holds, so it triggers nothing; being a
// real accelerator, it is also what the tray's exported menu (dbusmenu) sends as the item's
// "shortcut", which a label-only key never is.
void showKeyOnly(GtkWidget* item, const std::string& accelerator, GtkAccelGroup* shownKeys)
{
    guint key = 0;
    GdkModifierType modifiers = GdkModifierType(0);
    gtk_accelerator_parse(accelerator.c_str(), &key, &modifiers);
    if (key == 0)
        return;
    if (shownKeys) {
        gtk_widget_add_accelerator(item, "activate", shownKeys, key, modifiers, GTK_ACCEL_VISIBLE);
        return;
    }
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(item));
    if (GTK_IS_ACCEL_LABEL(label))
        gtk_accel_label_set_accel(GTK_ACCEL_LABEL(label), key, modifiers);
}

} // namespace

MenuBuilder::MenuBuilder(GtkAccelGroup* accelerators, ActionHandler onAction, CheckQuery isChecked)
    : accelerators_(accelerators), onAction_(std::move(onAction)), isChecked_(std::move(isChecked))
{
}

GtkWidget* MenuBuilder::menuBar(const std::vector<Menu>& menus) const
{
    GtkWidget* bar = gtk_menu_bar_new();
    for (const Menu& model : menus) {
        GtkWidget* top = gtk_menu_item_new_with_label(model.title.c_str());
        gtk_menu_item_set_submenu(GTK_MENU_ITEM(top), menu(model));
        gtk_menu_shell_append(GTK_MENU_SHELL(bar), top);
    }
    return bar;
}

GtkWidget* MenuBuilder::menu(const Menu& model) const
{
    GtkWidget* menu = gtk_menu_new();
    GtkAccelGroup* shownKeys = nullptr;
    if (accelerators_) {
        gtk_menu_set_accel_group(GTK_MENU(menu), accelerators_);
    } else {
        // The menu owns the group of the keys it only shows.
        shownKeys = gtk_accel_group_new();
        g_object_set_data_full(G_OBJECT(menu), shownKeysKey, shownKeys, g_object_unref);
    }
    for (const MenuItem& entry : model.items)
        gtk_menu_shell_append(GTK_MENU_SHELL(menu), item(entry, shownKeys));
    if (isChecked_)
        g_signal_connect(menu, "show", G_CALLBACK(onMenuShow), nullptr);
    gtk_widget_show_all(menu);
    return menu;
}

GtkWidget* MenuBuilder::item(const MenuItem& model, GtkAccelGroup* shownKeys) const
{
    if (model.isSeparator())
        return gtk_separator_menu_item_new();
    GtkWidget* widget = model.checkable ? gtk_check_menu_item_new_with_label(model.title.c_str())
                                        : gtk_menu_item_new_with_label(model.title.c_str());
    auto* context = new ItemContext{model.action, onAction_, isChecked_};
    g_object_set_data_full(G_OBJECT(widget), contextKey, context, dropContext);
    if (model.checkable) {
        context->syncing = true;
        gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(widget), model.checked);
        context->syncing = false;
    }
    gtk_widget_set_sensitive(widget, model.enabled);
    if (!model.globalAccelerator.empty())
        showKeyOnly(widget, model.globalAccelerator, shownKeys);
    else if (!accelerators_ && !model.accelerator.empty())
        showKeyOnly(widget, model.accelerator, shownKeys);
    g_signal_connect(widget, "activate", G_CALLBACK(onActivate), nullptr);

    guint key = 0;
    GdkModifierType modifiers = GdkModifierType(0);
    if (accelerators_ && !model.accelerator.empty()) {
        gtk_accelerator_parse(model.accelerator.c_str(), &key, &modifiers);
        if (key != 0)
            gtk_widget_add_accelerator(widget, "activate", accelerators_, key, modifiers, GTK_ACCEL_VISIBLE);
    }
    return widget;
}

} // namespace brimble
