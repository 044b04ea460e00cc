#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <X11/Xutil.h>
#include <gdk/gdkx.h>

#include "platform/KeptFormats.h"
#include "platform/gtk/SelectionTransfer.h"

namespace brimble {

// What the clipboard held at one owner change, as far as capture reads it.
struct ClipboardSnapshot {
    // The targets on offer; empty when the owner did not say.
    std::vector<std::string> targets;
    // False when `targets` may lack some of the owner's: it did not list them in time, or
    // listed more than are read.
    bool targetsComplete = true;
    std::optional<std::string> text;
    // The picture's file bytes, when a picture is offered, and the target they were asked for
    // ("image/png", "image/jpeg" or "image/tiff"): the one loader they may be decoded with.
    std::optional<std::string> picture;
    std::string pictureTarget;
    // The kept formats beside them (HTML, rich text, copied files), each read whole.
    std::vector<ExtraFormat> formats;
    // The kept formats are still being read and come apart, once the text or picture is in.
    bool formatsFollow = false;
};

// Reads the X11 CLIPBOARD without ever waiting on its owner.
//
// GtkClipboard converts one request at a time and cannot give one up, so an owner that never
// answers would hold up every later read. Here each read has a small requestor window of its
// own, so a newer read simply stops listening to the older one's. A read asks for the targets
// (about 1 s), then for the picture and the text that capture will take (about 5 s each, renewed
// while a large transfer keeps coming). A text target that fails is followed by the next one on
// offer (UTF8_STRING, COMPOUND_TEXT, STRING, ...). An owner that does not name its targets in
// time may just be busy: the text is asked for anyway, and the read then still waits a while
// for the targets, since they alone tell whether the copy carries a password marker; a read
// that ends without them says so (`targetsComplete`). A text over 2 MiB or a picture over
// 128 MiB is given up as soon as its size shows, as capture would refuse it anyway.
//
// Only what is kept is asked for: no picture beside a plain text, and after the text the kept
// formats on offer (`KeptFormats`), each within its cap and a few seconds; a format too large or
// too slow is left out and the read ends with what came whole. A copy with a text or picture
// is handed over as soon as they and the targets are in (`formatsFollow`), so that its entry is
// recorded without waiting for megabytes of formats; the formats follow through `FormatsDone`
// when their read ends, also when it is given up (only those that came whole).
class SelectionReader {
public:
    using Done = std::function<void(ClipboardSnapshot)>;
    using FormatsDone = std::function<void(std::vector<ExtraFormat>)>;

    // `display` may be null (GTK on another backend); every read then ends at once, empty.
    SelectionReader(Display* display, Done done, FormatsDone formatsDone);
    ~SelectionReader();
    SelectionReader(const SelectionReader&) = delete;
    SelectionReader& operator=(const SelectionReader&) = delete;

    // Starts reading from the clipboard's present owner, abandoning any read under way. `done`
    // runs once when the read ends: at once and empty when nobody owns the clipboard, empty when
    // the owner ran out of time.
    void fetch();
    // Gives up the read under way; its `done` never runs. Formats that follow a copy already
    // handed over are handed over as far as they came whole.
    void abandon();
    // Whether a read is under way whose copy was not handed over yet.
    bool isReading() const { return window_ != None && !handedOver_; }

private:
    // A window of an abandoned read, and when it was given up.
    struct Retired {
        Window window;
        gint64 sinceUs;
    };

    static GdkFilterReturn filterEvent(GdkXEvent* xevent, GdkEvent* event, gpointer self);
    static gboolean onDeadline(gpointer self);

    void handle(const XEvent& event);
    void dropUnread(const XEvent& event);
    void dropRetired(const XEvent& event, const Retired& retired);
    void takeTargets();
    void takeData();
    std::optional<std::string> textOf(const SelectionTransfer& transfer);
    void advance();
    void request(const std::string& target, Atom property, size_t maxBytes);
    void armDeadline(unsigned milliseconds);
    // The deadline of a kept format's read after it made progress: its silence limit, cut short
    // by its limit in all.
    void armFormatDeadline();
    void timedOut();
    // Hands the copy over while its kept formats are still read.
    void handOverEarly();
    // Ends the read with what it gathered.
    void finishRead();
    void finish(ClipboardSnapshot snapshot);
    void release();

    Display* display_;
    Done done_;
    FormatsDone formatsDone_;
    // The copy was handed over; only its kept formats are still read.
    bool handedOver_ = false;
    Atom clipboard_ = None;
    Atom targetsAtom_ = None;
    Atom targetsProperty_ = None;
    Atom pictureProperty_ = None;
    Atom textProperty_ = None;
    Atom formatProperty_ = None;

    Window window_ = None;
    // Windows of abandoned reads, kept a while so that an owner answering late writes to a
    // window that still exists (many simple owners exit on the error otherwise). What they
    // send is deleted unread, unseen by GDK, for a short while after the read was given up.
    std::deque<Retired> retired_;
    std::unique_ptr<SelectionTransfer> targets_;
    // The picture or text transfer under way.
    std::unique_ptr<SelectionTransfer> data_;
    enum class Reading { Picture, Text, Format };
    Reading dataKind_ = Reading::Text;
    // The kept formats still to ask for once the text is in, and when the one under way began.
    std::vector<KeptFormats::Read> formatsToRead_;
    bool formatsListed_ = false;
    KeptFormats::Read formatRead_;
    gint64 formatStartedUs_ = 0;
    bool targetsKnown_ = false;
    // The targets did not come in time; the read went on without them.
    bool targetsLate_ = false;
    bool pictureTried_ = false;
    // Text targets asked for so far, and the one that gave the text.
    std::vector<std::string> textTried_;
    std::string textTarget_;
    ClipboardSnapshot snapshot_;
    guint deadline_ = 0;
    gint64 startedUs_ = 0;
};

} // namespace brimble
