#include "platform/gtk/about/HelpWindow.h"

#include <string>

#include "about/HelpTopics.h"

namespace brimble {

namespace {

constexpr int columnTop = 24;
constexpr int columnSide = 28;
constexpr int columnBottom = 20;
constexpr int bodyWidth = 400;
constexpr int okWidth = 76;

GtkWidget* label(std::string_view text, const char* cssClasses)
{
    GtkWidget* widget = makePanelLabel(std::string(text).c_str(), cssClasses);
    gtk_label_set_xalign(GTK_LABEL(widget), 0.0f);
    gtk_widget_set_halign(widget, GTK_ALIGN_START);
    return widget;
}

GtkWidget* topicBox(const HelpTopic& topic)
{
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 3);
    gtk_widget_set_halign(box, GTK_ALIGN_START);
    gtk_box_pack_start(GTK_BOX(box), label(tr(topic.title), "brimble-help-title"), FALSE, FALSE, 0);
    GtkWidget* body = label(tr(topic.body), "brimble-help-body brimble-secondary");
    gtk_label_set_line_wrap(GTK_LABEL(body), TRUE);
    fixWrapWidth(body, bodyWidth);
    gtk_box_pack_start(GTK_BOX(box), body, FALSE, FALSE, 0);
    return box;
}

} // namespace

HelpWindow::HelpWindow(std::function<GtkWindow*()> mainWindow)
    : mainWindow_(std::move(mainWindow)),
      shell_(makePanelWindow(tr(helpWindowTitle), TitleVisibility::Shown, width, height))
{
    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_NONE);
    gtk_container_add(GTK_CONTAINER(scroller), buildColumn());
    gtk_container_add(GTK_CONTAINER(shell_.window), scroller);

    g_signal_connect(shell_.window, "delete-event", G_CALLBACK(closeRequested), this);
    g_signal_connect(shell_.window, "key-press-event", G_CALLBACK(keyPressed), this);
    gtk_widget_show_all(scroller);
}

HelpWindow::~HelpWindow()
{
    gtk_widget_destroy(shell_.window);
}

GtkWidget* HelpWindow::buildColumn()
{
    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_widget_set_margin_top(column, columnTop);
    gtk_widget_set_margin_start(column, columnSide);
    gtk_widget_set_margin_end(column, columnSide);
    gtk_widget_set_margin_bottom(column, columnBottom);

    GtkWidget* heading = label(tr(helpHeading), "brimble-help-heading");
    gtk_widget_set_margin_bottom(heading, 4);
    gtk_box_pack_start(GTK_BOX(column), heading, FALSE, FALSE, 0);
    for (size_t i = 0; i < helpTopics.size(); ++i) {
        GtkWidget* topic = topicBox(helpTopics[i]);
        gtk_widget_set_margin_bottom(topic, i + 1 == helpTopics.size() ? 14 : 16);
        gtk_box_pack_start(GTK_BOX(column), topic, FALSE, FALSE, 0);
    }

    GtkWidget* buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
    gtk_widget_set_halign(buttons, GTK_ALIGN_START);
    GtkWidget* ok = gtk_button_new_with_label(_("OK"));
    gtk_widget_set_size_request(ok, okWidth, -1);
    gtk_widget_set_can_default(ok, TRUE);
    g_signal_connect(ok, "clicked", G_CALLBACK(okClicked), this);
    gtk_box_pack_start(GTK_BOX(buttons), ok, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(column), buttons, FALSE, FALSE, 0);
    gtk_window_set_default(GTK_WINDOW(shell_.window), ok);
    gtk_window_set_focus(GTK_WINDOW(shell_.window), ok);
    return column;
}

void HelpWindow::present()
{
    GtkWindow* main = mainWindow_ ? mainWindow_() : nullptr;
    presentPanel(GTK_WINDOW(shell_.window), main, width, height);
}

gboolean HelpWindow::closeRequested(GtkWidget* widget, GdkEvent*, HelpWindow*)
{
    gtk_widget_hide(widget);
    return TRUE;
}

gboolean HelpWindow::keyPressed(GtkWidget* widget, GdkEventKey* event, HelpWindow*)
{
    if (event->keyval != GDK_KEY_Escape)
        return FALSE;
    gtk_widget_hide(widget);
    return TRUE;
}

void HelpWindow::okClicked(GtkButton*, HelpWindow* self)
{
    gtk_widget_hide(self->shell_.window);
}

} // namespace brimble
