#pragma once

namespace brimble {

// Pastes into another program's window, as if the user had pressed Control+V there.
class PasteSender {
public:
    PasteSender() = default;
    PasteSender(const PasteSender&) = delete;
    PasteSender& operator=(const PasteSender&) = delete;
    virtual ~PasteSender() = default;

    // Notes the window that has the keyboard now; one of the program's own windows is not noted,
    // so the window noted before it stays.
    virtual void rememberFocus() = 0;
    // Gives the keyboard back to the noted window and sends it Control+V. Does nothing when no
    // window was noted or it has gone since.
    virtual void pasteIntoRemembered() = 0;
    // Whether pasting can work on this desktop at all; where it cannot, the settings say so.
    virtual bool isAvailable() const { return true; }
};

} // namespace brimble
