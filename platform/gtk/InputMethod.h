#pragma once

namespace brimble {

// What decides the input method GTK gives a text field when nothing names one.
struct InputMethodChoice {
    const char* moduleFromEnvironment = nullptr; // GTK_IM_MODULE
    const char* moduleFromDesktop = nullptr;     // the "gtk-im-module" setting (XSettings)
    const char* xModifiers = nullptr;            // XMODIFIERS, which names an X input method server
    bool onX11 = false;
};

// True where GTK would fall back to the X Input Method only because of the locale (Japanese,
// Chinese, Korean and Thai) with no input method server to talk to. That context turns the web
// view's window into a native X window, after which WebKit's frames stop reaching the screen: the
// window keeps its first frame. The built-in context then types the same keys and compose
// sequences.
bool needsBuiltInInputMethod(const InputMethodChoice& choice);

// Makes GTK use its built-in input method where `needsBuiltInInputMethod` says so. Call after GTK
// has opened the display and before the page's web view is made.
void avoidLocaleOnlyInputMethod();

} // namespace brimble
