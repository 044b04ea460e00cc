#include "app/PageLink.h"

namespace brimble {

PageLink::PageLink(WindowHost& host, MainLoop& loop, std::string url, Hooks hooks)
    : host_(host), loop_(loop), url_(std::move(url)), hooks_(std::move(hooks))
{
}

void PageLink::ensurePage()
{
    // A build ahead still waiting for a pause in the copying is for this page.
    ++copyGeneration_;
    // A page begun ahead of need is finished at once: the window wants it now.
    while (!built_)
        buildStep();
}

// A page is built in three steps, each of which a page built ahead of need runs in a main-loop
// turn of its own: the web context (the first one sets up much of the web engine), the view (which
// starts the web process) and the load (which starts the network process). Each holds the loop
// for a while, longest on a busy machine; the desktop-wide key's press, queued behind them all,
// took the keyboard too late, and the letters typed right after it went to the window behind.
void PageLink::buildStep()
{
    switch (buildStep_) {
    case BuildStep::Context:
        // Keys typed before the page can take them would be lost; they wait for its first snapshot.
        host_.holdKeys();
        spec_ = hooks_.spec();
        host_.prepareWebView(spec_);
        buildStep_ = BuildStep::View;
        return;
    case BuildStep::View:
        host_.createWebView(spec_);
        buildStep_ = BuildStep::Load;
        return;
    case BuildStep::Load:
        host_.loadURL(url_);
        buildStep_ = BuildStep::Context;
        break;
    }
    built_ = true;
    asked_ = false;
    shown_ = false;
    drawn_ = false;
    ++pageGeneration_;
    dirty_ = false;
    forgetPage();
}

// Scripts sent to the page before count for nothing from here on, nor does what they carried.
void PageLink::forgetPage()
{
    ++pushGeneration_;
    inFlight_ = false;
    held_.clear();
    sending_.clear();
}

void PageLink::push()
{
    if (!built_)
        return;
    // A drawn page is not redrawn while hidden; what it missed is sent once when it is shown.
    if (inFlight_ || (drawn_ && !host_.isWindowVisible())) {
        dirty_ = true;
        return;
    }
    send();
}

void PageLink::send()
{
    dirty_ = false;
    inFlight_ = true;
    const uint64_t generation = pushGeneration_;
    // Only a snapshot sent once the page has asked, so has run its scripts, can be drawn by it.
    const uint64_t page = asked_ ? pageGeneration_ : 0;
    Push push{held_, asked_ && !shown_};
    const std::string script = hooks_.stateScript(push);
    sending_ = std::move(push.wholeTextIds);
    const bool cut = push.cut;
    const bool taken =
        host_.evaluateScript(script, [weak = std::weak_ptr<PageLink*>(self_), generation, page, cut] {
            if (const auto self = weak.lock())
                (*self)->sent(generation, page, cut);
        });
    // A page still loading takes no script; it asks for the state once it has loaded.
    if (!taken && generation == pushGeneration_) {
        inFlight_ = false;
        sending_.clear();
    }
}

void PageLink::sent(uint64_t generation, uint64_t page, bool cut)
{
    if (page == pageGeneration_ && built_) {
        shown_ = true;
        if (cut) {
            // The whole texts follow at once.
            dirty_ = true;
        } else if (!drawn_) {
            drawn_ = true;
            if (hooks_.drawn)
                hooks_.drawn();
        }
    }
    if (generation != pushGeneration_ || !inFlight_)
        return;
    // The page keeps the texts of the entries in the snapshot and drops the others.
    held_ = TextIds(sending_.begin(), sending_.end());
    sending_.clear();
    inFlight_ = false;
    if (dirty_ && (!drawn_ || host_.isWindowVisible()))
        send();
}

void PageLink::pageStarted()
{
    // A script still running belongs to the document before; its completion must not count the
    // texts it carried as held by this one.
    asked_ = true;
    forgetPage();
    push();
}


void PageLink::windowShown()
{
    ++hideGeneration_;
    // The desktop may bring the window back on its own (a minimised window restored from the
    // taskbar); it must not come back empty.
    if (!built_) {
        ensurePage();
        return;
    }
    if (dirty_ && !inFlight_)
        send();
}

void PageLink::windowHidden(double delaySeconds)
{
    const uint64_t generation = ++hideGeneration_;
    loop_.runLater(delaySeconds, [weak = std::weak_ptr<PageLink*>(self_), generation] {
        const auto self = weak.lock();
        if (self && (*self)->hideGeneration_ == generation && !(*self)->host_.isWindowVisible() &&
            (*self)->openDialogs_ == 0)
            (*self)->release();
    });
}

void PageLink::userActive(double delaySeconds, double pauseSeconds)
{
    if (built_) {
        if (!host_.isWindowVisible())
            windowHidden(delaySeconds);
        return;
    }
    if (buildAhead_)
        return;
    const uint64_t generation = ++copyGeneration_;
    loop_.runLater(pauseSeconds, [weak = std::weak_ptr<PageLink*>(self_), generation, delaySeconds] {
        const auto self = weak.lock();
        if (!self || (*self)->copyGeneration_ != generation || (*self)->built_ || (*self)->buildAhead_)
            return;
        (*self)->buildAhead_ = true;
        (*self)->buildAheadStep(delaySeconds);
    });
}

// One step of the page built ahead, when the loop is idle: what the user does meanwhile (the
// desktop-wide key above all) is answered between the steps.
void PageLink::buildAheadStep(double delaySeconds)
{
    loop_.runWhenIdle([weak = std::weak_ptr<PageLink*>(self_), delaySeconds] {
        const auto self = weak.lock();
        if (!self)
            return;
        PageLink& link = **self;
        // Finished meanwhile by a show.
        if (link.built_) {
            link.buildAhead_ = false;
            return;
        }
        link.buildStep();
        if (!link.built_) {
            link.buildAheadStep(delaySeconds);
            return;
        }
        link.buildAhead_ = false;
        if (!link.host_.isWindowVisible())
            link.windowHidden(delaySeconds);
    });
}

void PageLink::dialogClosed(double delaySeconds)
{
    if (openDialogs_ > 0)
        --openDialogs_;
    // The release the dialog put off starts again, from its beginning.
    if (openDialogs_ == 0 && built_ && !host_.isWindowVisible())
        windowHidden(delaySeconds);
}

void PageLink::release()
{
    if (!built_ && buildStep_ == BuildStep::Context)
        return;
    buildStep_ = BuildStep::Context;
    // Scripts cancelled with the page complete as it goes; they belong to the old page.
    forgetPage();
    ++pageGeneration_;
    built_ = false;
    asked_ = false;
    shown_ = false;
    drawn_ = false;
    dirty_ = false;
    host_.releaseWebView();
}

} // namespace brimble
