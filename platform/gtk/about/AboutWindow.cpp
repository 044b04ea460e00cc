#include "platform/gtk/about/AboutWindow.h"

#include <algorithm>

#include "about/AboutTexts.h"
#include "platform/gtk/about/LinkRow.h"
#include "platform/gtk/about/OpacityFade.h"
#include "platform/gtk/about/ShoutRow.h"
#include "platform/gtk/about/WugoView.h"

namespace brimble {

namespace {

constexpr int columnTop = 34;
constexpr int mascotHeight = 92;
constexpr int smallMascotHeight = 68;
constexpr int badgeHeight = 60;
constexpr int taglineWidth = 320;
constexpr int factWidth = 340;
constexpr int creditSpacing = 7;
constexpr int okWidth = 76;

GtkWidget* label(std::string_view text, const char* cssClasses)
{
    return makePanelLabel(std::string(text).c_str(), cssClasses);
}

// A centred label that wraps at `width` pixels.
GtkWidget* wrappingLabel(std::string_view text, const char* cssClasses, int width)
{
    GtkWidget* widget = label(text, cssClasses);
    gtk_label_set_line_wrap(GTK_LABEL(widget), TRUE);
    gtk_label_set_justify(GTK_LABEL(widget), GTK_JUSTIFY_CENTER);
    fixWrapWidth(widget, width);
    return widget;
}

// Adds `child` to the column with `after` pixels of space below it.
void stack(GtkWidget* column, GtkWidget* child, int after)
{
    gtk_widget_set_margin_bottom(child, after);
    gtk_box_pack_start(GTK_BOX(column), child, FALSE, FALSE, 0);
}

} // namespace

AboutWindow::AboutWindow(MainLoop& loop, const std::filesystem::path& resourcesDir, AboutWindowHooks hooks)
    : hooks_(std::move(hooks)),
      shell_(makePanelWindow(tr(aboutWindowTitle), TitleVisibility::Hidden, width, height)),
      shout_(loop, *this)
{
    // Everything sits in an overlay so the ink can be drawn over the whole window.
    GtkWidget* overlay = gtk_overlay_new();
    gtk_container_add(GTK_CONTAINER(shell_.window), overlay);
    gtk_container_add(GTK_CONTAINER(overlay), buildColumn(loop, resourcesDir));

    g_signal_connect(shell_.window, "delete-event", G_CALLBACK(closeRequested), this);
    g_signal_connect(shell_.window, "key-press-event", G_CALLBACK(keyPressed), this);
    gtk_widget_show_all(overlay);
}

AboutWindow::~AboutWindow()
{
    // The widgets go first: their handlers point at the parts below.
    gtk_widget_destroy(shell_.window);
}

GtkWidget* AboutWindow::buildColumn(MainLoop& loop, const std::filesystem::path& resourcesDir)
{
    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_widget_set_halign(column, GTK_ALIGN_CENTER);
    gtk_widget_set_valign(column, GTK_ALIGN_START);
    // The title bar blends into the panel, so the column is measured from the window's top edge.
    gtk_widget_set_margin_top(column, std::max(0, columnTop - shell_.titlebarHeight));

    mascot_ = std::make_unique<WugoView>(loop, resourcesDir / "AppIcon.png", mascotHeight);
    mascot_->setAccessibleName(tr(aboutMascotAccessibleName));
    mascot_->onShout = [this](int) { shout_.shout(); };
    // Even out the recoil room so the picture itself is centred.
    gtk_widget_set_margin_start(mascot_->widget(), WugoView::swingRight - WugoView::swingLeft);
    stack(column, mascot_->widget(), 4);

    stack(column, label(productName, "brimble-name"), 9);
    stack(column, wrappingLabel(tr(tagline), "brimble-text13 brimble-secondary", taglineWidth), 16);

    linkRow_ = std::make_unique<LinkRow>(resourcesDir / "Zorvane-logo.png", badgeHeight);
    linkRow_->onBadgeClick = [this] { openOtherAppsPage(); };
    linkRow_->onRowClick = [this] { openOtherAppsPage(); };
    stack(column, linkRow_->widget(), 16 - ShoutRow::popRoom);

    shoutRow_ = std::make_unique<ShoutRow>();
    stack(column, shoutRow_->widget(), 9 - ShoutRow::popRoom);

    factLabel_ = wrappingLabel("", "brimble-text11 brimble-tertiary", factWidth);
    gtk_widget_set_opacity(factLabel_, 0.0);
    stack(column, factLabel_, 9);

    stack(column, buildCreditRow(loop, resourcesDir), 3);
    stack(column, label(tr(hoardersLine), "brimble-text13"), 14);
    stack(column, label(tr(makerSlogan), "brimble-text11 brimble-tertiary"), 2);
    stack(column, label(tr(clickHint), "brimble-text10 brimble-secondary"), 20);

    GtkWidget* buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 10);
    gtk_widget_set_halign(buttons, GTK_ALIGN_CENTER);
    GtkWidget* ok = gtk_button_new_with_label(tr(okButtonLabel));
    gtk_widget_set_size_request(ok, okWidth, -1);
    gtk_widget_set_can_default(ok, TRUE);
    g_signal_connect(ok, "clicked", G_CALLBACK(okClicked), this);
    gtk_box_pack_start(GTK_BOX(buttons), ok, FALSE, FALSE, 0);
    stack(column, buttons, 0);
    gtk_window_set_default(GTK_WINDOW(shell_.window), ok);
    gtk_window_set_focus(GTK_WINDOW(shell_.window), ok);
    return column;
}

GtkWidget* AboutWindow::buildCreditRow(MainLoop& loop, const std::filesystem::path& resourcesDir)
{
    // The mascot's recoil room stands in for part of the gap before it.
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, creditSpacing - WugoView::swingLeft);
    gtk_widget_set_halign(row, GTK_ALIGN_CENTER);
    GtkWidget* credit = label(tr(creditLine), "brimble-text13");
    gtk_widget_set_valign(credit, GTK_ALIGN_CENTER);
    gtk_box_pack_start(GTK_BOX(row), credit, FALSE, FALSE, 0);
    smallMascot_ = std::make_unique<WugoView>(loop, resourcesDir / "octopus-sidebar.png", smallMascotHeight);
    smallMascot_->onShout = [this](int) { shout_.shout(); };
    gtk_box_pack_start(GTK_BOX(row), smallMascot_->widget(), FALSE, FALSE, 0);
    return row;
}

void AboutWindow::openOtherAppsPage()
{
    if (hooks_.openURL)
        hooks_.openURL(std::string(otherAppsPageURL));
}

void AboutWindow::present()
{
    if (dismissed_)
        return;
    GtkWindow* main = hooks_.mainWindow ? hooks_.mainWindow() : nullptr;
    presentPanel(GTK_WINDOW(shell_.window), main, width, height);
}

void AboutWindow::dismiss()
{
    if (dismissed_)
        return;
    dismissed_ = true;
    shout_.dismiss();
    gtk_widget_hide(shell_.window);
    if (hooks_.onDismissed)
        hooks_.onDismissed();
}

gboolean AboutWindow::closeRequested(GtkWidget*, GdkEvent*, AboutWindow* self)
{
    self->dismiss();
    return TRUE;
}

gboolean AboutWindow::keyPressed(GtkWidget*, GdkEventKey* event, AboutWindow* self)
{
    if (event->keyval != GDK_KEY_Escape)
        return FALSE;
    self->dismiss();
    return TRUE;
}

void AboutWindow::okClicked(GtkButton*, AboutWindow* self)
{
    self->dismiss();
}

void AboutWindow::popWord(int index)
{
    shoutRow_->popWord(index);
}

void AboutWindow::fadeWords(double seconds)
{
    shoutRow_->fadeAll(seconds);
}

void AboutWindow::setFact(const std::string& text)
{
    gtk_label_set_text(GTK_LABEL(factLabel_), text.c_str());
}

void AboutWindow::fadeFact(double alpha, double seconds)
{
    fadeOpacity(factLabel_, alpha, seconds);
}

void AboutWindow::hideAll()
{
    shoutRow_->hideAll();
    fadeOpacity(factLabel_, 0.0, 0.0);
}

} // namespace brimble
