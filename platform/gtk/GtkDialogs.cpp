#include "platform/gtk/GtkDialogs.h"

#include "common/Translation.h"
#include "platform/gtk/AppChooser.h"

namespace brimble {

namespace {

constexpr int promptFieldWidthChars = 32;

// A dialog's name for assistive technology: the first line of its message, without the colon
// that leads into a field ("Name of the new block:" is "Name of the new block").
std::string accessibleName(const std::string& message)
{
    std::string name = message.substr(0, message.find('\n'));
    while (!name.empty() && (name.back() == ':' || name.back() == ' '))
        name.pop_back();
    return name;
}

// A message dialog of no particular type has no accessible name of its own: a screen reader
// would announce an unnamed alert. It is named by its message, and the rest of the message
// (the second paragraph, the informative text) is its description.
void nameForAssistiveTechnology(GtkWidget* dialog, const std::string& message, const std::string& informative)
{
    AtkObject* accessible = gtk_widget_get_accessible(dialog);
    const std::string name = accessibleName(message);
    atk_object_set_name(accessible, name.c_str());
    std::string description = message.size() > name.size() ? message.substr(message.find('\n') + 1) : "";
    if (!informative.empty())
        description += (description.empty() ? "" : "\n") + informative;
    const size_t text = description.find_first_not_of("\n ");
    if (text != std::string::npos)
        atk_object_set_description(accessible, description.substr(text).c_str());
}

// GTK 3 tells assistive technology twice that a dialog's control has the focus: once from its
// focus tracker and once from the control's own focus-in, through its accessible's "focus-event",
// so a reader heard the field or the button twice. That second path is stopped; the tracker still
// reports each move, from the window's activation and from Tab alike.
void stopRepeatedFocusEvent(AtkObject* accessible, gboolean, gpointer)
{
    g_signal_stop_emission_by_name(accessible, "focus-event");
}

void reportFocusOnce(GtkWidget* widget, gpointer = nullptr)
{
    if (gtk_widget_get_can_focus(widget))
        g_signal_connect(gtk_widget_get_accessible(widget), "focus-event", G_CALLBACK(stopRepeatedFocusEvent),
                         nullptr);
    if (GTK_IS_CONTAINER(widget))
        gtk_container_forall(GTK_CONTAINER(widget), reportFocusOnce, nullptr);
}

GtkWidget* messageDialog(GtkWindow* parent, const std::string& message, const std::string& informative,
                         const std::vector<std::string>& buttons)
{
    GtkWidget* dialog = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER, GTK_BUTTONS_NONE, "%s",
                                               message.c_str());
    if (!informative.empty())
        gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", informative.c_str());
    // Response ids are the button indexes; the first button is the default one (Return).
    for (size_t i = 0; i < buttons.size(); ++i) {
        GtkWidget* button = gtk_dialog_add_button(GTK_DIALOG(dialog), buttons[i].c_str(), static_cast<int>(i));
        gtk_button_set_use_underline(GTK_BUTTON(button), FALSE);
    }
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), 0);
    gtk_window_set_position(GTK_WINDOW(dialog), parent ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
    // The title names the window in the window list and the task switcher, where a reader reads it.
    gtk_window_set_title(GTK_WINDOW(dialog), accessibleName(message).c_str());
    nameForAssistiveTechnology(dialog, message, informative);
    return dialog;
}

int runAndDestroy(GtkWidget* dialog)
{
    reportFocusOnce(dialog);
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    return response;
}

} // namespace

GtkDialogs::GtkDialogs(GtkMainWindow& window) : window_(window) {}

GtkWindow* GtkDialogs::parent() const
{
    return window_.isOnScreen() ? window_.window() : nullptr;
}

int GtkDialogs::runAlert(const AlertSpec& spec)
{
    const std::vector<std::string> buttons = spec.buttons.empty() ? std::vector<std::string>{_("OK")} : spec.buttons;
    const int response = runAndDestroy(messageDialog(parent(), spec.message, spec.informative, buttons));
    // Escape, the close button and a destroyed dialog end it without a button.
    return response >= 0 && response < static_cast<int>(buttons.size()) ? response : -1;
}

std::optional<std::string> GtkDialogs::runPrompt(const std::string& message, const std::string& defaultText)
{
    GtkWidget* dialog = messageDialog(parent(), message, "", {_("OK"), _("Cancel")});
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_text(GTK_ENTRY(entry), defaultText.c_str());
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    gtk_entry_set_width_chars(GTK_ENTRY(entry), promptFieldWidthChars);
    // The field is named by the question it answers.
    atk_object_set_name(gtk_widget_get_accessible(entry), accessibleName(message).c_str());
    GtkWidget* area = gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog));
    gtk_box_pack_end(GTK_BOX(area), entry, FALSE, FALSE, 0);
    gtk_widget_show(entry);
    // A question to answer in a field is a dialog; a message dialog is an alert, which a reader
    // treats as a message to read out and dismiss.
    atk_object_set_role(gtk_widget_get_accessible(dialog), ATK_ROLE_DIALOG);
    // The field has the keyboard from the start, so the user can type at once.
    gtk_widget_grab_focus(entry);

    reportFocusOnce(dialog);
    std::optional<std::string> text;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == 0)
        text = gtk_entry_get_text(GTK_ENTRY(entry));
    gtk_widget_destroy(dialog);
    return text;
}

std::optional<std::string> GtkDialogs::chooseApplication(const AppPickerSpec& spec)
{
    return runAppChooser(parent(), spec.message, spec.confirmLabel);
}

std::optional<std::string> GtkDialogs::chooseFolder(const std::string& title, const std::string& current)
{
    GtkWidget* dialog = gtk_file_chooser_dialog_new(title.c_str(), parent(), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER,
                                                    _("Cancel"), GTK_RESPONSE_CANCEL, _("Choose"),
                                                    GTK_RESPONSE_ACCEPT, nullptr);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    // A folder is made where the user is, as the tool that shares it will want a folder of its own.
    gtk_file_chooser_set_create_folders(GTK_FILE_CHOOSER(dialog), TRUE);
    if (!current.empty() && g_file_test(current.c_str(), G_FILE_TEST_IS_DIR))
        gtk_file_chooser_set_filename(GTK_FILE_CHOOSER(dialog), current.c_str());
    else
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), g_get_home_dir());
    std::optional<std::string> chosen;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        if (g_autofree char* path = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog)))
            chosen = path;
    }
    gtk_widget_destroy(dialog);
    return chosen;
}

} // namespace brimble
