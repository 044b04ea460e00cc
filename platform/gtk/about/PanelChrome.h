#pragma once

#include <gtk/gtk.h>

namespace brimble {

enum class TitleVisibility { Shown, Hidden };

// A floating utility window for the About and Help panels: kept above other windows, not resizable,
// with a title bar in the window's background that carries only a close button and, when shown,
// the title. `width` × `height` is the whole panel, title bar included.
struct PanelShell {
    GtkWidget* window = nullptr;
    // How far the title bar reaches down into the panel, in pixels.
    int titlebarHeight = 0;
};
PanelShell makePanelWindow(const char* title, TitleVisibility visibility, int width, int height);

// Centres `panel` (`width` × `height`) over `mainWindow` when it is on screen, else on the screen;
// then shows it, raises it and gives it the keyboard. The panel stays on top of the main window.
void presentPanel(GtkWindow* panel, GtkWindow* mainWindow, int width, int height);

// A label with the panel style classes `cssClasses` (space-separated).
GtkWidget* makePanelLabel(const char* text, const char* cssClasses);

// Makes a wrapping label exactly `width` pixels wide, so it wraps there however long its text.
void fixWrapWidth(GtkWidget* label, int width);

// Marks `widget` as clickable: the pointing-hand cursor over it once it has a window.
void usePointerCursor(GtkWidget* widget);

} // namespace brimble
