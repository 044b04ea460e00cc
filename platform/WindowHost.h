#pragma once

#include <functional>
#include <string>

namespace brimble {

struct WindowSpec {
    std::string title;
    int width = 0;
    int height = 0;
    int minWidth = 0;
    int minHeight = 0;
    std::string frameAutosaveName; // the saved frame overrides centring
};

struct WebViewSpec {
    bool developerExtras = false;
    std::string scheme;         // served through AppDelegate::startSchemeTask
    std::string messageChannel; // delivered through AppDelegate::didReceiveScriptMessage
};

enum class WindowVisibility { Shown, Hidden };

// The main window and the web view that fills it.
class WindowHost {
public:
    WindowHost() = default;
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;
    virtual ~WindowHost() = default;

    // Builds the main window, centred; closing it only hides it.
    virtual void createWindow(const WindowSpec& spec) = 0;
    // Makes what the next web view so described needs first (its web context), so that building
    // the view takes less at once; `createWebView` makes it where this was not called.
    virtual void prepareWebView(const WebViewSpec& spec) = 0;
    // Builds the web view with its scheme handler and message channel and makes it the window's content.
    virtual void createWebView(const WebViewSpec& spec) = 0;
    // Starts loading a page; returns at once.
    virtual void loadURL(const std::string& url) = 0;
    // Evaluates a script in the page; the result and any error are ignored.
    virtual void runScript(const std::string& script) = 0;
    // Evaluates a script in the page and calls `done` once the page has finished with it (run,
    // failed, or the page went away; a promise it gives is awaited), possibly before this returns. Returns false, and never
    // calls `done`, when there is no page that can take a script now.
    virtual bool evaluateScript(const std::string& script, std::function<void()> done) = 0;
    // Destroys the web view and everything behind it (also a prepared context), so the page's
    // processes end; the window stays. `createWebView` builds a new one.
    virtual void releaseWebView() = 0;
    // Brings the window to the front and gives it the keyboard.
    virtual void showWindow() = 0;
    // Whether the window is on screen now.
    virtual bool isWindowVisible() = 0;
    // Takes the window off the screen, as closing it does; the program keeps running.
    virtual void hideWindow() = 0;
    // Whether the window is on screen and has the keyboard.
    virtual bool isWindowFocused() = 0;
    // A command the desktop runs for its own shortcut asked for the window, as the desktop-wide
    // key does: what is typed from now on is meant for the search, and a question the window
    // still asks is put away unanswered. Called before `showWindow`.
    virtual void commandRequestedWindow() = 0;
    // Keeps the keys typed into the window, in order, instead of handing them to a page that
    // cannot take them yet (one still loading, or not yet drawn). Hiding the window drops them,
    // and they are let go on their own after a few seconds, so a page that never answers cannot
    // leave the window deaf.
    virtual void holdKeys() = 0;
    // Hands the kept keys to the page, in order, as if they were typed now; later keys go
    // straight to it.
    virtual void releaseKeys() = 0;
    // Turns the web view's inspector on or off, for the page as it is now.
    virtual void setDeveloperExtras(bool enabled) = 0;
};

} // namespace brimble
