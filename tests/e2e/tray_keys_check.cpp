// The tray menu shows each item's key as the window's menu does (Quit: Control+Q), although it
// binds none: built here from the program's own menu model by the program's own builder, with no
// key group, as the tray's menu is. Exits non-zero naming each item whose key is not shown.

#include <cstdio>
#include <string>

#include <gtk/gtk.h>

#include "app/MainMenu.h"
#include "platform/gtk/MenuBuilder.h"

namespace {

gboolean isClosure(GtkAccelKey*, GClosure* closure, gpointer wanted)
{
    return closure == wanted;
}

// The key the item's label shows, in GTK's accelerator text; empty when none. The label shows
// the key of the accelerator it follows (the one the exported tray menu sends too), else a key
// set on the label alone.
std::string shownKey(GtkWidget* item)
{
    GtkWidget* label = GTK_IS_BIN(item) ? gtk_bin_get_child(GTK_BIN(item)) : nullptr;
    if (!label || !GTK_IS_ACCEL_LABEL(label))
        return {};
    guint key = 0;
    GdkModifierType modifiers = GdkModifierType(0);
    GClosure* closure = nullptr;
    g_object_get(label, "accel-closure", &closure, nullptr);
    GtkAccelGroup* group = closure ? gtk_accel_group_from_accel_closure(closure) : nullptr;
    if (GtkAccelKey* found = group ? gtk_accel_group_find(group, isClosure, closure) : nullptr) {
        key = found->accel_key;
        modifiers = found->accel_mods;
    } else {
        gtk_accel_label_get_accel(GTK_ACCEL_LABEL(label), &key, &modifiers);
    }
    if (closure)
        g_closure_unref(closure);
    if (key == 0)
        return {};
    g_autofree gchar* name = gtk_accelerator_name(key, modifiers);
    return name;
}

std::string normalised(const std::string& accelerator)
{
    guint key = 0;
    GdkModifierType modifiers = GdkModifierType(0);
    gtk_accelerator_parse(accelerator.c_str(), &key, &modifiers);
    g_autofree gchar* name = gtk_accelerator_name(key, modifiers);
    return name;
}

} // namespace

int main(int argc, char** argv)
{
    gtk_init(&argc, &argv);
    brimble::StatusMenuState state;
    state.shortcut = brimble::ShortcutState::Bound;
    const brimble::Menu model = brimble::statusMenu(state);
    const brimble::MenuBuilder builder(nullptr, [](brimble::MenuAction) {}, nullptr);
    GtkWidget* menu = builder.menu(model);

    GList* children = gtk_container_get_children(GTK_CONTAINER(menu));
    int faults = 0;
    int keys = 0;
    GList* child = children;
    for (const brimble::MenuItem& item : model.items) {
        if (!child) {
            std::printf("FAIL: the menu has fewer items than its model\n");
            return 1;
        }
        const std::string& wanted = item.globalAccelerator.empty() ? item.accelerator : item.globalAccelerator;
        if (!wanted.empty()) {
            ++keys;
            const std::string shown = shownKey(GTK_WIDGET(child->data));
            if (shown != normalised(wanted)) {
                std::printf("FAIL: \"%s\" shows \"%s\", not \"%s\"\n", item.title.c_str(), shown.c_str(),
                            wanted.c_str());
                ++faults;
            }
        }
        child = child->next;
    }
    g_list_free(children);
    if (keys < 2) {
        std::printf("FAIL: expected the shortcut and Quit's key in the tray menu's model\n");
        return 1;
    }
    if (faults == 0)
        std::printf("ok: %d keys shown\n", keys);
    return faults == 0 ? 0 : 1;
}
