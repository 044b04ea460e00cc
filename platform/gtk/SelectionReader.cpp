#include "platform/gtk/SelectionReader.h"

#include <algorithm>

#include "platform/gtk/ClipboardTargets.h"

namespace brimble {

namespace {

constexpr unsigned targetsTimeoutMs = 1000;
// How long targets that are late are still waited for once the text has come.
constexpr unsigned lateTargetsTimeoutMs = 5000;
// Also the longest pause between two increments of a large transfer.
constexpr unsigned dataTimeoutMs = 5000;
// An owner dripping a few bytes now and then is not waited for past this.
constexpr gint64 longestReadUs = 30 * G_USEC_PER_SEC;
// A kept format is worth less than the copy's text: it gets less time, and no more than this
// overall, however it keeps coming.
constexpr unsigned formatTimeoutMs = 2000;
constexpr gint64 longestFormatUs = 3 * G_USEC_PER_SEC;

// Capture refuses texts over 2 MiB and pictures the codec cannot decode within its pixel
// limit; reading more than that would only be thrown away.
constexpr size_t maxTextBytes = 2 * 1024 * 1024;
constexpr size_t maxPictureBytes = 128 * 1024 * 1024;
constexpr size_t maxTargetsBytes = maxOfferedTypes * 4;
// Enough to cover answers still in flight to the windows of reads given up lately; an X
// window without contents costs the server next to nothing.
constexpr size_t retiredWindows = 64;
// How long the rest of a given-up transfer is still taken and thrown away, so that an owner
// sending it in increments finishes. An owner that sends for ever is left waiting after that
// rather than fed for as long as it runs.
constexpr gint64 retiredFeedUs = 2 * G_USEC_PER_SEC;

std::string atomName(Display* display, Atom atom)
{
    char* name = XGetAtomName(display, atom);
    std::string result = name ? name : "";
    if (name)
        XFree(name);
    return result;
}

} // namespace

SelectionReader::SelectionReader(Display* display, Done done, FormatsDone formatsDone)
    : display_(display), done_(std::move(done)), formatsDone_(std::move(formatsDone))
{
    if (!display_)
        return;
    clipboard_ = XInternAtom(display_, "CLIPBOARD", False);
    targetsAtom_ = XInternAtom(display_, "TARGETS", False);
    targetsProperty_ = XInternAtom(display_, "BRIMBLE_TARGETS", False);
    pictureProperty_ = XInternAtom(display_, "BRIMBLE_PICTURE", False);
    textProperty_ = XInternAtom(display_, "BRIMBLE_TEXT", False);
    formatProperty_ = XInternAtom(display_, "BRIMBLE_FORMAT", False);
    gdk_window_add_filter(nullptr, filterEvent, this);
}

SelectionReader::~SelectionReader()
{
    release();
    if (!display_)
        return;
    gdk_window_remove_filter(nullptr, filterEvent, this);
    for (const Retired& retired : retired_)
        XDestroyWindow(display_, retired.window);
    XFlush(display_);
}

void SelectionReader::fetch()
{
    abandon();
    startedUs_ = g_get_monotonic_time();
    if (!display_ || XGetSelectionOwner(display_, clipboard_) == None) {
        finish({});
        return;
    }
    XSetWindowAttributes attributes{};
    attributes.event_mask = PropertyChangeMask;
    attributes.override_redirect = True;
    window_ = XCreateWindow(display_, DefaultRootWindow(display_), -10, -10, 1, 1, 0, 0, InputOnly,
                            CopyFromParent, CWEventMask | CWOverrideRedirect, &attributes);
    targets_ = std::make_unique<SelectionTransfer>(display_, window_, clipboard_, targetsAtom_, targetsProperty_,
                                                   maxTargetsBytes);
    targets_->start();
    armDeadline(targetsTimeoutMs);
    g_debug("clipboard: read started on window 0x%lx", window_);
}

void SelectionReader::abandon()
{
    if (handedOver_) {
        finishRead();
        return;
    }
    release();
}

GdkFilterReturn SelectionReader::filterEvent(GdkXEvent* xevent, GdkEvent*, gpointer data)
{
    auto* self = static_cast<SelectionReader*>(data);
    const auto* event = static_cast<const XEvent*>(xevent);
    if (event->type != SelectionNotify && event->type != PropertyNotify)
        return GDK_FILTER_CONTINUE;
    // The requestor of a SelectionNotify sits where every event keeps its window.
    const Window window = event->xany.window;
    if (window != None && window == self->window_) {
        self->handle(*event);
        return GDK_FILTER_REMOVE;
    }
    const auto retired = std::find_if(self->retired_.begin(), self->retired_.end(),
                                      [window](const Retired& old) { return old.window == window; });
    if (retired != self->retired_.end()) {
        self->dropRetired(*event, *retired);
        return GDK_FILTER_REMOVE;
    }
    return GDK_FILTER_CONTINUE;
}

void SelectionReader::handle(const XEvent& event)
{
    // The targets may answer late, while the text is already asked for.
    if (targets_) {
        const SelectionTransfer::Event result = targets_->handle(event);
        if (result == SelectionTransfer::Event::Finished) {
            takeTargets();
            if (!data_)
                advance();
            return;
        }
        if (result != SelectionTransfer::Event::Ignored)
            return;
    }
    if (!data_) {
        dropUnread(event);
        return;
    }
    const SelectionTransfer::Event result = data_->handle(event);
    if (result == SelectionTransfer::Event::Ignored)
        dropUnread(event);
    if (result == SelectionTransfer::Event::Progress) {
        const gint64 now = g_get_monotonic_time();
        if (dataKind_ == Reading::Format) {
            armFormatDeadline();
        } else if (now - startedUs_ < longestReadUs) {
            armDeadline(dataTimeoutMs);
        }
    } else if (result == SelectionTransfer::Event::Finished) {
        takeData();
        advance();
    }
}

void SelectionReader::dropUnread(const XEvent& event)
{
    // A property no transfer waits for: the rest of a transfer given up (too large, or its read
    // abandoned). Deleting it lets an owner sending increments finish instead of hanging.
    if (event.type != PropertyNotify || event.xproperty.state != PropertyNewValue)
        return;
    const Atom property = event.xproperty.atom;
    if ((targets_ && property == targets_->property()) || (data_ && property == data_->property()))
        return;
    XDeleteProperty(display_, event.xproperty.window, property);
    XFlush(display_);
}

void SelectionReader::dropRetired(const XEvent& event, const Retired& retired)
{
    if (g_get_monotonic_time() - retired.sinceUs <= retiredFeedUs)
        dropUnread(event);
}

void SelectionReader::takeTargets()
{
    targetsKnown_ = true;
    // An owner that refuses TARGETS lists nothing, for good. A list that could not be read
    // whole (longer than any real one, or a read gone wrong) may lack a password marker.
    if (targets_->state() == SelectionTransfer::State::Failed)
        snapshot_.targetsComplete = false;
    std::vector<unsigned long> atoms = targets_->items();
    targets_.reset();
    std::erase(atoms, None);
    if (atoms.empty())
        return;
    std::vector<char*> names(atoms.size(), nullptr);
    // An owner may answer with atoms that do not exist; the error is the owner's, not ours.
    GdkDisplay* display = gdk_x11_lookup_xdisplay(display_);
    gdk_x11_display_error_trap_push(display);
    const Status found = XGetAtomNames(display_, atoms.data(), static_cast<int>(atoms.size()), names.data());
    gdk_x11_display_error_trap_pop_ignored(display);
    for (char* name : names) {
        if (found && name)
            snapshot_.targets.emplace_back(name);
        if (name)
            XFree(name);
    }
}

void SelectionReader::takeData()
{
    std::unique_ptr<SelectionTransfer> transfer = std::move(data_);
    if (transfer->state() != SelectionTransfer::State::Done)
        return;
    if (dataKind_ == Reading::Picture) {
        snapshot_.picture = transfer->takeBytes();
        return;
    }
    if (dataKind_ == Reading::Format) {
        if (std::optional<std::string> bytes =
                KeptFormats::normalised(formatRead_.offered, formatRead_.keptAs, transfer->takeBytes()))
            snapshot_.formats.push_back({formatRead_.keptAs, std::move(*bytes)});
        return;
    }
    // A reply that is not text after all, or not valid UTF-8 once converted, counts as a failed
    // target: the next one on offer is asked for.
    std::optional<std::string> text = textOf(*transfer);
    if (text && g_utf8_validate_len(text->data(), text->size(), nullptr)) {
        snapshot_.text = std::move(text);
        textTarget_ = atomName(display_, transfer->target());
    }
}

std::optional<std::string> SelectionReader::textOf(const SelectionTransfer& transfer)
{
    const std::string type = atomName(display_, transfer.type());
    if (type != "COMPOUND_TEXT")
        return textFromSelection(type, transfer.bytes());
    // COMPOUND_TEXT switches between the ISO 2022 character sets by escape sequences; Xlib's
    // own converter reads it. A text property may hold several texts apart by NULs; the first
    // is the text, as GTK takes it.
    const std::string& bytes = transfer.bytes();
    XTextProperty property{reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.data())), transfer.type(), 8,
                           bytes.size()};
    char** list = nullptr;
    int count = 0;
    const int status = Xutf8TextPropertyToTextList(display_, &property, &list, &count);
    std::optional<std::string> text;
    if (status >= Success && list && count > 0 && list[0])
        text = textFromSelection("UTF8_STRING", list[0]);
    if (list)
        XFreeStringList(list);
    return text;
}

void SelectionReader::advance()
{
    const std::string picture = preferredImageTarget(snapshot_.targets);
    if (!pictureTried_ && isCapturedPictureType(picture) && KeptFormats::readsPicture(snapshot_.targets)) {
        pictureTried_ = true;
        dataKind_ = Reading::Picture;
        snapshot_.pictureTarget = picture;
        request(picture, pictureProperty_, maxPictureBytes);
        return;
    }
    if (!snapshot_.text && !handedOver_) {
        // Without a list of targets, the ones nearly every owner offers are tried in turn.
        for (const std::string& target : textTargetsToTry(snapshot_.targets)) {
            if (std::find(textTried_.begin(), textTried_.end(), target) != textTried_.end())
                continue;
            textTried_.push_back(target);
            dataKind_ = Reading::Text;
            request(target, textProperty_, maxTextBytes);
            return;
        }
    }
    if (targetsKnown_ && !formatsListed_) {
        formatsListed_ = true;
        formatsToRead_ = KeptFormats::formatsToRead(snapshot_.targets);
    }
    // A copy of files alone has no text but theirs: it waits for them.
    if (!formatsToRead_.empty() && !handedOver_ && (snapshot_.text || snapshot_.picture))
        handOverEarly();
    if (!formatsToRead_.empty()) {
        formatRead_ = formatsToRead_.front();
        formatsToRead_.erase(formatsToRead_.begin());
        size_t used = 0;
        for (const ExtraFormat& format : snapshot_.formats)
            used += format.bytes.size();
        const size_t room = KeptFormats::maxEntryBytes - std::min(used, KeptFormats::maxEntryBytes);
        dataKind_ = Reading::Format;
        formatStartedUs_ = g_get_monotonic_time();
        request(formatRead_.offered, formatProperty_, std::min(KeptFormats::capFor(formatRead_.keptAs), room));
        armDeadline(formatTimeoutMs);
        return;
    }
    if (targets_) {
        // The text came before the targets: they alone tell whether a password marker is on
        // offer, so they are waited for a while longer.
        armDeadline(lateTargetsTimeoutMs);
        return;
    }
    finishRead();
}

void SelectionReader::request(const std::string& target, Atom property, size_t maxBytes)
{
    data_ = std::make_unique<SelectionTransfer>(display_, window_, clipboard_,
                                                XInternAtom(display_, target.c_str(), False), property, maxBytes);
    data_->start();
    armDeadline(dataTimeoutMs);
}

void SelectionReader::armDeadline(unsigned milliseconds)
{
    if (deadline_)
        g_source_remove(deadline_);
    deadline_ = g_timeout_add(milliseconds, onDeadline, this);
}

void SelectionReader::armFormatDeadline()
{
    const gint64 leftUs = longestFormatUs - (g_get_monotonic_time() - formatStartedUs_);
    const gint64 leftMs = std::max<gint64>(leftUs / 1000, 0);
    armDeadline(static_cast<unsigned>(std::min<gint64>(formatTimeoutMs, leftMs)));
}

gboolean SelectionReader::onDeadline(gpointer data)
{
    auto* self = static_cast<SelectionReader*>(data);
    self->deadline_ = 0;
    self->timedOut();
    return G_SOURCE_REMOVE;
}

void SelectionReader::timedOut()
{
    g_debug("clipboard: read on window 0x%lx ran out of time %s", window_, data_ ? "for its data" : "for its targets");
    if (!data_ && !targetsKnown_) {
        if (!targetsLate_) {
            // The owner may be busy rather than gone: the text is asked for now, and the
            // targets are still taken when they come.
            targetsLate_ = true;
            advance();
            return;
        }
        // The targets never came: what was read goes on, marked as listed incompletely.
        targets_.reset();
        finishRead();
        return;
    }
    if (dataKind_ == Reading::Format) {
        // A slow format is left out; the text and the formats that came whole stay.
        data_.reset();
        advance();
        return;
    }
    // Nothing is recorded for a change whose data did not come in time.
    finish({});
}

void SelectionReader::handOverEarly()
{
    handedOver_ = true;
    ClipboardSnapshot snapshot = std::move(snapshot_);
    snapshot_ = {};
    snapshot.formatsFollow = true;
    g_debug("clipboard: read on window 0x%lx handed over after %.1f ms, its kept formats to follow", window_,
            static_cast<double>(g_get_monotonic_time() - startedUs_) / 1000.0);
    done_(std::move(snapshot));
}

void SelectionReader::finishRead()
{
    if (handedOver_) {
        std::vector<ExtraFormat> formats = std::move(snapshot_.formats);
        g_debug("clipboard: read on window 0x%lx ended after %.1f ms with %zu kept formats", window_,
                static_cast<double>(g_get_monotonic_time() - startedUs_) / 1000.0, formats.size());
        release();
        formatsDone_(std::move(formats));
        return;
    }
    ClipboardSnapshot snapshot = std::move(snapshot_);
    if (!targetsKnown_) {
        snapshot.targetsComplete = false;
        // An owner that never named its targets answered for text all the same.
        if (snapshot.text && snapshot.targets.empty())
            snapshot.targets = {textTarget_};
    }
    finish(std::move(snapshot));
}

void SelectionReader::finish(ClipboardSnapshot snapshot)
{
    g_debug("clipboard: read on window 0x%lx ended after %.1f ms with %zu targets%s%s, %zu kept formats", window_,
            static_cast<double>(g_get_monotonic_time() - startedUs_) / 1000.0, snapshot.targets.size(),
            snapshot.text ? ", a text" : "", snapshot.picture ? ", a picture" : "", snapshot.formats.size());
    release();
    done_(std::move(snapshot));
}

void SelectionReader::release()
{
    if (deadline_) {
        g_source_remove(deadline_);
        deadline_ = 0;
    }
    targets_.reset();
    data_.reset();
    if (window_ != None) {
        retired_.push_back({window_, g_get_monotonic_time()});
        window_ = None;
        if (retired_.size() > retiredWindows) {
            XDestroyWindow(display_, retired_.front().window);
            XFlush(display_);
            retired_.pop_front();
        }
    }
    handedOver_ = false;
    targetsKnown_ = false;
    targetsLate_ = false;
    pictureTried_ = false;
    dataKind_ = Reading::Text;
    formatsToRead_.clear();
    formatsListed_ = false;
    textTried_.clear();
    textTarget_.clear();
    snapshot_ = {};
}

} // namespace brimble
