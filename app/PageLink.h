#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/MainLoop.h"
#include "platform/WindowHost.h"
#include "settings/Settings.h"

namespace brimble {

// Each step of a build holds the loop (up to a fifth of a second on a loaded machine), and a
// desktop-wide key grabbed by the program is read only after it: the letters typed meanwhile went
// to the window behind. A user who copies and at once asks for the history is the common case,
// so with such a key a page is built ahead only after a pause in the copying; asked for sooner,
// it is built on the spot, after the key has taken the keyboard, and keeps every letter.
inline constexpr double buildAheadPauseSeconds = 2.0;

// The page behind the main window, built only while it is worth its weight: the web view is made
// when the window is first shown and released once the window has been hidden for a while, since
// a hidden page keeps its web and network processes (hundreds of MiB after a large history) and
// gives nothing back. Snapshots go to the page one at a time: a push asked for while the previous
// one is still running in the page, or while the window is hidden, is remembered and sent once,
// with the state as it is by then. Sending every snapshot of a burst of large copies made the web
// process keep them all until its collector caught up, past 5 GiB.
//
// Every snapshot describes the whole state, but the texts the page already holds are named, not
// sent again (entries never change their text), so a push after a copy carries one new text and
// not the whole history. The link counts a text as held only once the script that carried it has
// completed in the same page; a page that starts afresh (built, reloaded after its web process
// ended) asks with "list" and holds nothing, so it gets every text.
//
// The page is kept while the user is active (a copy or a show within the rest), and one is built
// ahead of need when a copy arrives while none exists; it takes its first snapshot while hidden,
// so the window then shows a drawn history at once.
//
// A new page's first snapshot carries only the beginnings of long texts, which is all its cards
// show: a history of 500 texts of 50,000 characters is drawn without first moving and reading
// 33 MB. The whole texts follow at once in the next push, and only once the page holds them is it
// counted as drawn and given the keys, so a search typed at once looks through whole texts.
class PageLink {
public:
    using TextIds = std::unordered_set<std::string>;

    // What a push asks of the state script, and what the script tells of what it carries.
    struct Push {
        // Texts the page holds: named, not sent.
        const TextIds& held;
        // Send long texts as their beginnings only.
        bool headsOnly = false;
        // Filled: the ids of the entries whose whole text the page holds once it has the script.
        std::vector<std::string> wholeTextIds;
        // Filled: some text was sent as its beginning only.
        bool cut = false;
    };

    struct Hooks {
        // The web view to build.
        std::function<WebViewSpec()> spec;
        // The script that hands the current state to the page.
        std::function<std::string(Push& push)> stateScript;
        // A new page has taken a snapshot with every text whole: it is drawn and takes scripts.
        // The keys held for it are let go once it says it is ready for them (see
        // Hub::pageReadyForKeys).
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
    // The page holds no text the program could name: a document that has just started, or one
    // that was handed a name it did not know. Its next push, sent as `push` would, carries every
    // text, and scripts sent before count for nothing.
    void pageStarted();
    // Builds the page if it was released, else sends what the page missed while hidden.
    void windowShown();
    // Starts the rest after which the page is released; `delaySeconds` is normally
    // `pageReleaseDelaySeconds`.
    void windowHidden(double delaySeconds);
    // The user copied something. The page is kept for another rest, and one is built ahead of
    // need where none exists, once the copying has paused for `pauseSeconds`, in steps when the
    // loop is idle: the next show then finds it drawn.
    void userActive(double delaySeconds, double pauseSeconds);
    // A dialog of the page runs (a confirm, a prompt, the application chooser): its answer
    // returns into the page, so the page is kept until the dialog closes, and released after
    // that if the window is still hidden.
    void dialogOpened() { ++openDialogs_; }
    void dialogClosed(double delaySeconds);

private:
    enum class BuildStep { Context, View, Load };

    void buildStep();
    void buildAheadStep(double delaySeconds);
    void send();
    void sent(uint64_t generation, uint64_t page, bool cut);
    void release();
    void forgetPage();

    WindowHost& host_;
    MainLoop& loop_;
    std::string url_;
    Hooks hooks_;
    bool built_ = false;
    // The next step of the page's build, and the description of the view it was begun with.
    BuildStep buildStep_ = BuildStep::Context;
    WebViewSpec spec_;
    // The page has asked for its state ("list"), so its scripts have run.
    bool asked_ = false;
    // The page has taken a snapshot, perhaps with texts cut short.
    bool shown_ = false;
    bool drawn_ = false;
    int openDialogs_ = 0;
    bool buildAhead_ = false;
    uint64_t copyGeneration_ = 0;
    // A push runs in the page.
    bool inFlight_ = false;
    bool dirty_ = false;
    // What the page holds, and what it will hold once the running push completes.
    TextIds held_;
    std::vector<std::string> sending_;
    // Tells completions and timers of an earlier page or an earlier hiding from current ones.
    uint64_t pushGeneration_ = 0;
    // Tells a snapshot of an earlier page from one of the current page. Unlike the pushes', it
    // does not move when the page asks for every text again ("list").
    uint64_t pageGeneration_ = 0;
    uint64_t hideGeneration_ = 0;
    // Held weakly by deferred work, which may outlive this object.
    std::shared_ptr<PageLink*> self_ = std::make_shared<PageLink*>(this);
};

} // namespace brimble
