#include "platform/gtk/SelectionTransfer.h"

#include <algorithm>
#include <climits>
#include <memory>

#include <glib.h>

#include "platform/gtk/PropertyValue.h"

namespace brimble {

namespace {

struct XFreeDeleter {
    void operator()(unsigned char* data) const { XFree(data); }
};

// One read of the property, deleting it when read whole, which tells an owner sending
// increments that the next may come.
struct PropertyRead {
    bool ok = false;
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long bytesAfter = 0;
    std::unique_ptr<unsigned char, XFreeDeleter> data;
};

PropertyRead readProperty(Display* display, Window window, Atom property, size_t maxBytes)
{
    // The length is counted in 32-bit units; one more than the limit shows whether it is passed.
    const long units = static_cast<long>(std::min<size_t>(maxBytes / 4 + 1, LONG_MAX / 8));
    PropertyRead read;
    unsigned char* data = nullptr;
    read.ok = XGetWindowProperty(display, window, property, 0, units, True, AnyPropertyType, &read.type,
                                 &read.format, &read.items, &read.bytesAfter, &data)
        == Success;
    read.data.reset(data);
    return read;
}

} // namespace

SelectionTransfer::SelectionTransfer(Display* display, Window requestor, Atom selection, Atom target,
                                     Atom property, size_t maxBytes)
    : display_(display)
    , requestor_(requestor)
    , selection_(selection)
    , target_(target)
    , property_(property)
    , incr_(XInternAtom(display, "INCR", False))
    , maxBytes_(maxBytes)
{
}

void SelectionTransfer::start()
{
    // ICCCM asks for a real timestamp, but owners accept CurrentTime, as every command-line
    // client sends it; the owner-change that started the read is already the newest.
    XConvertSelection(display_, selection_, target_, property_, requestor_, CurrentTime);
    XFlush(display_);
}

SelectionTransfer::Event SelectionTransfer::handle(const XEvent& event)
{
    if (event.type == SelectionNotify) {
        const XSelectionEvent& notify = event.xselection;
        if (state_ != State::Requested || notify.requestor != requestor_ || notify.selection != selection_
            || notify.target != target_)
            return Event::Ignored;
        // The owner cannot convert to this target.
        if (notify.property == None) {
            state_ = State::Refused;
            return Event::Finished;
        }
        if (notify.property != property_)
            return Event::Ignored;
        return readWhole();
    }
    if (event.type == PropertyNotify) {
        const XPropertyEvent& change = event.xproperty;
        // Our own deletes and the owner's first write before its notice come here too.
        if (state_ != State::Incremental || change.window != requestor_ || change.atom != property_
            || change.state != PropertyNewValue)
            return Event::Ignored;
        return readIncrement();
    }
    return Event::Ignored;
}

SelectionTransfer::Event SelectionTransfer::readWhole()
{
    PropertyRead read = readProperty(display_, requestor_, property_, maxBytes_);
    if (!read.ok || read.type == None)
        return fail();
    if (read.type == incr_) {
        // The value is a lower bound of the size, so a transfer sure to pass the limit is
        // refused before any of it is sent. Reading deleted the property, which starts it.
        const std::optional<unsigned long> announced = incrementalSizeHint(read.format, read.items, read.data.get());
        if (announced && *announced > maxBytes_)
            return fail();
        state_ = State::Incremental;
        g_debug("clipboard: incremental transfer of at least %lu bytes", announced.value_or(0));
        XFlush(display_);
        return Event::Progress;
    }
    if (read.bytesAfter > 0) {
        XDeleteProperty(display_, requestor_, property_);
        return fail();
    }
    type_ = read.type;
    if (read.format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(read.data.get());
        items_.assign(values, values + read.items);
    } else {
        bytes_.assign(reinterpret_cast<const char*>(read.data.get()), propertyByteLength(read.format, read.items));
    }
    if (bytes_.size() + items_.size() * 4 > maxBytes_)
        return fail();
    state_ = State::Done;
    return Event::Finished;
}

SelectionTransfer::Event SelectionTransfer::readIncrement()
{
    const size_t received = bytes_.size() + items_.size() * 4;
    PropertyRead read = readProperty(display_, requestor_, property_, maxBytes_ - received);
    if (!read.ok || read.bytesAfter > 0)
        return fail();
    XFlush(display_);
    // An empty increment ends the transfer.
    if (read.items == 0) {
        state_ = State::Done;
        return Event::Finished;
    }
    type_ = read.type;
    if (read.format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(read.data.get());
        items_.insert(items_.end(), values, values + read.items);
    } else {
        bytes_.append(reinterpret_cast<const char*>(read.data.get()), propertyByteLength(read.format, read.items));
    }
    if (bytes_.size() + items_.size() * 4 > maxBytes_)
        return fail();
    return Event::Progress;
}

SelectionTransfer::Event SelectionTransfer::fail()
{
    state_ = State::Failed;
    bytes_.clear();
    items_.clear();
    return Event::Finished;
}

} // namespace brimble
