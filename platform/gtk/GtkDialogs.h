#pragma once

#include "platform/Dialogs.h"
#include "platform/gtk/GtkMainWindow.h"

namespace brimble {

// Modal GTK dialogs, over the main window while it is on screen.
class GtkDialogs final : public Dialogs {
public:
    explicit GtkDialogs(GtkMainWindow& window);

    int runAlert(const AlertSpec& spec) override;
    std::optional<std::string> runPrompt(const std::string& message, const std::string& defaultText) override;
    std::optional<std::string> chooseApplication(const AppPickerSpec& spec) override;
    std::optional<std::string> chooseFolder(const std::string& title, const std::string& current) override;

private:
    GtkWindow* parent() const;

    GtkMainWindow& window_;
};

} // namespace brimble
