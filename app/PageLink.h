#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/MainLoop.h"
#include "platform/WindowHost.h"

namespace brimble {

// How long the window stays hidden before its page is released. Showing the window again within
// this time finds the page as it was; after it, the page is built afresh (about a quarter of a
// second for a short history).
inline constexpr double pageReleaseDelaySeconds = 60;

// A snapshot at least this large leaves the web process with a hundred MiB or more of garbage
// (the script, its decoded bytes, the parsed state); the next one waits `largePushGapSeconds`
// after it completed, longer than the second between the web process's checks of its memory, so
// that it collects before the next one arrives and a burst of large copies does not pile the
// garbage of several snapshots up.
inline constexpr size_t largePushBytes = 4 << 20;
inline constexpr double largePushGapSeconds = 1.5;

// The page behind the main window, built only while it is worth its weight: the web view is made
// when the window is first shown and released once the window has been hidden for a while, since
// a hidden page keeps its web and network processes (hundreds of MiB after a large history) and
// gives nothing back. Snapshots go to the page one at a time: a push asked for while the previous
// one is still running in the page, or while the window is hidden, is remembered and sent once,
// with the state as it is by then. Sending every snapshot of a burst of large copies made the web
// process keep them all until its collector caught up, past 5 GiB.
class PageLink {
public:
    struct Hooks {
        // The web view to build.
        std::function<WebViewSpec()> spec;
        // The script that hands the current state to the page.
        std::function<std::string()> stateScript;
        // A new page has taken its first snapshot: it is drawn and takes scripts. The keys held
        // for it are let go once it says it is ready for them (see Hub::pageReadyForKeys).
        std::function<void()> drawn;
    };

    PageLink(WindowHost& host, MainLoop& loop, std::string url, Hooks hooks);
    PageLink(const PageLink&) = delete;
    PageLink& operator=(const PageLink&) = delete;

    // Whether a web view exists now.
    bool hasPage() const { return built_; }
    // Whether the page has taken its first snapshot. Until then, and until it says it is ready
    // for them, the keys typed into the window are held: a page that has not run its scripts or
    // drawn its state would drop them.
    bool hasDrawn() const { return drawn_; }
    // Builds the web view and starts loading the page, unless one exists. The page asks for the
    // state itself once it has loaded.
    void ensurePage();
    // Sends the state now, or as soon as the window is shown and the page is free.
    void push();
    // The page (re)loaded: scripts of the document before it will not complete.
    void pageLoaded();
    // Builds the page if it was released, else sends what the page missed while hidden.
    void windowShown();
    // Starts the wait after which the page is released; `delaySeconds` is normally
    // `pageReleaseDelaySeconds`.
    void windowHidden(double delaySeconds);
    // A dialog of the page runs (a confirm, a prompt, the application chooser): its answer
    // returns into the page, so the page is kept until the dialog closes, and released after
    // that if the window is still hidden.
    void dialogOpened() { ++openDialogs_; }
    void dialogClosed(double delaySeconds);

private:
    void send();
    void sent(uint64_t generation, uint64_t page);
    void ready(uint64_t generation);
    void release();

    WindowHost& host_;
    MainLoop& loop_;
    std::string url_;
    Hooks hooks_;
    bool built_ = false;
    bool drawn_ = false;
    int openDialogs_ = 0;
    // A push runs in the page, or the pause after a large one has not ended.
    bool inFlight_ = false;
    size_t lastScriptBytes_ = 0;
    bool dirty_ = false;
    // Tells completions and timers of an earlier page or an earlier hiding from current ones.
    uint64_t pushGeneration_ = 0;
    // Tells a snapshot of an earlier page from one of the current page. Unlike the pushes', it
    // does not move when the page reports that it loaded: that report may come before or after
    // the page has asked for its first snapshot.
    uint64_t pageGeneration_ = 0;
    uint64_t hideGeneration_ = 0;
    // Held weakly by deferred work, which may outlive this object.
    std::shared_ptr<PageLink*> self_ = std::make_shared<PageLink*>(this);
};

} // namespace brimble
