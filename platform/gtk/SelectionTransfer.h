#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include <X11/Xlib.h>

namespace brimble {

// One conversion of an X11 selection into a property of our own requestor window, answered
// either whole or in increments (the INCR protocol of the ICCCM, for large data).
//
// Nothing here waits: `start` sends the request, and the caller feeds every SelectionNotify and
// PropertyNotify of the requestor window to `handle` until the transfer is over. A transfer
// whose data would pass `maxBytes` fails as soon as that is known, so an owner offering
// gigabytes costs no more than the limit.
class SelectionTransfer {
public:
    // Refused: the owner answered that it cannot convert to the target.
    enum class State { Requested, Incremental, Done, Refused, Failed };
    // What a call of `handle` did.
    enum class Event { Ignored, Progress, Finished };

    SelectionTransfer(Display* display, Window requestor, Atom selection, Atom target, Atom property,
                      size_t maxBytes);
    SelectionTransfer(const SelectionTransfer&) = delete;
    SelectionTransfer& operator=(const SelectionTransfer&) = delete;

    // Asks the selection's owner to convert.
    void start();
    // Takes one event of the requestor window; events of other transfers are ignored.
    Event handle(const XEvent& event);

    State state() const { return state_; }
    Atom target() const { return target_; }
    Atom property() const { return property_; }
    // The type the owner gave the data, such as UTF8_STRING or ATOM.
    Atom type() const { return type_; }
    // The data of a finished transfer of 8-bit items.
    const std::string& bytes() const { return bytes_; }
    // Hands the data over without a copy; a picture may be tens of megabytes.
    std::string takeBytes() { return std::move(bytes_); }
    // The items of a finished transfer of 32-bit items, such as the atoms answering TARGETS.
    const std::vector<unsigned long>& items() const { return items_; }

private:
    Event readWhole();
    Event readIncrement();
    Event fail();

    Display* display_;
    Window requestor_;
    Atom selection_;
    Atom target_;
    Atom property_;
    Atom incr_;
    size_t maxBytes_;
    State state_ = State::Requested;
    Atom type_ = None;
    std::string bytes_;
    std::vector<unsigned long> items_;
};

} // namespace brimble
