#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brimble {

struct AlertSpec {
    std::string message;
    std::string informative;
    std::vector<std::string> buttons; // empty: a single "OK"; the first is the default
};

struct AppPickerSpec {
    std::string message;
    std::string confirmLabel;
};

// Modal dialogs.
class Dialogs {
public:
    Dialogs() = default;
    Dialogs(const Dialogs&) = delete;
    Dialogs& operator=(const Dialogs&) = delete;
    virtual ~Dialogs() = default;

    // Runs an application-modal alert and returns the index of the button that ended it
    // (-1 when it was closed without a button).
    virtual int runAlert(const AlertSpec& spec) = 0;
    // Runs a modal alert with a single-line text field pre-filled with `defaultText`; returns the
    // field's text when the first button ended it.
    virtual std::optional<std::string> runPrompt(const std::string& message,
                                                 const std::string& defaultText) = 0;
    // Lets the user choose one of the installed applications, shown by name and icon; returns
    // the path of its desktop entry.
    virtual std::optional<std::string> chooseApplication(const AppPickerSpec& spec) = 0;
    // Lets the user choose a folder, starting in `current` when it exists; returns its absolute
    // path.
    virtual std::optional<std::string> chooseFolder(const std::string& title, const std::string& current) = 0;
};

} // namespace brimble
