#include "platform/gtk/GtkPasteboard.h"

#include <memory>
#include <span>

#include <gdk/gdkx.h>

#include "common/Sha256.h"
#include "platform/gtk/ClipboardTargets.h"
#include "platform/pixbuf/PixbufImage.h"

namespace brimble {

namespace {

// How often the clipboard is looked at where the display cannot report its changes.
constexpr guint fallbackIntervalMs = 700;

bool isOwnWindow(GdkWindow* window)
{
    return window && gdk_window_get_window_type(window) != GDK_WINDOW_FOREIGN;
}

Display* xDisplayOf(GtkClipboard* clipboard)
{
    GdkDisplay* display = gtk_clipboard_get_display(clipboard);
    return GDK_IS_X11_DISPLAY(display) ? GDK_DISPLAY_XDISPLAY(display) : nullptr;
}

} // namespace

GtkPasteboard::GtkPasteboard(ImageCodec& codec)
    : codec_(codec)
    , clipboard_(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD))
    , reader_(
          xDisplayOf(clipboard_), [this](ClipboardSnapshot snapshot) { takeSnapshot(std::move(snapshot)); },
          [this](std::vector<ExtraFormat> formats) { takeLateFormats(std::move(formats)); })
{
    GdkDisplay* display = gtk_clipboard_get_display(clipboard_);
    displayNotifies_ = gdk_display_supports_selection_notification(display)
        && gdk_display_request_selection_notification(display, GDK_SELECTION_CLIPBOARD);
    g_signal_connect(clipboard_, "owner-change", G_CALLBACK(onOwnerChange), this);
    if (!displayNotifies_)
        sampleOwner();
}

GtkPasteboard::~GtkPasteboard()
{
    g_signal_handlers_disconnect_by_data(clipboard_, this);
    if (tickSource_)
        g_source_remove(tickSource_);
    if (timerSource_)
        g_source_remove(timerSource_);
    if (lateSource_)
        g_source_remove(lateSource_);
}

int64_t GtkPasteboard::changeCount()
{
    return count_;
}

std::set<std::string> GtkPasteboard::types()
{
    return typesForTargets(snapshot_.targets);
}

bool GtkPasteboard::typesComplete()
{
    return snapshot_.targetsComplete;
}

std::optional<std::string> GtkPasteboard::text()
{
    return snapshot_.text;
}

std::unique_ptr<PlatformImage> GtkPasteboard::image()
{
    if (!snapshot_.picture || snapshot_.picture->empty())
        return nullptr;
    // The codec refuses a picture that claims more than 64 million pixels before decoding any
    // of them, so a small file that would decode to gigabytes costs nothing.
    const std::string& bytes = *snapshot_.picture;
    return codec_.decode(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
                         snapshot_.pictureTarget);
}

std::optional<std::string> GtkPasteboard::pictureDigest()
{
    if (!snapshot_.picture)
        return std::nullopt;
    const std::string& bytes = *snapshot_.picture;
    return sha256Hex(bytes);
}

const std::vector<ExtraFormat>& GtkPasteboard::extraFormats()
{
    return snapshot_.formats;
}

bool GtkPasteboard::isOwnerless()
{
    GdkDisplay* display = gtk_clipboard_get_display(clipboard_);
    if (!GDK_IS_X11_DISPLAY(display))
        return false;
    return XGetSelectionOwner(GDK_DISPLAY_XDISPLAY(display),
                              gdk_x11_get_xatom_by_name_for_display(display, "CLIPBOARD"))
        == None;
}

void GtkPasteboard::clear()
{
    // Taking the selection for a write replaces every target at once, so nothing is left over
    // from the previous owner; releasing it first would only announce an empty clipboard.
}

void GtkPasteboard::writeText(const std::string& text)
{
    gtk_clipboard_set_text(clipboard_, text.data(), static_cast<gint>(text.size()));
    countOwnWrite();
}

void GtkPasteboard::writeImage(const PlatformImage& image)
{
    const auto* picture = dynamic_cast<const PixbufImage*>(&image);
    if (!picture || !picture->pixbuf())
        return;
    // GTK offers the picture in every format GdkPixbuf can write and converts on request.
    gtk_clipboard_set_image(clipboard_, picture->pixbuf());
    countOwnWrite();
}

namespace {

// What a write of several formats serves until another owner takes the clipboard.
struct OwnContent {
    std::optional<std::string> text;
    GdkPixbuf* pixbuf = nullptr;
    std::vector<ExtraFormat> formats;

    ~OwnContent()
    {
        if (pixbuf)
            g_object_unref(pixbuf);
    }
};

// Target infos: the text's names, the picture's, then each format by its index.
constexpr guint textInfo = G_MAXUINT - 1;
constexpr guint pictureInfo = G_MAXUINT - 2;

void serveOwnContent(GtkClipboard*, GtkSelectionData* data, guint info, gpointer owner)
{
    const auto* content = static_cast<const OwnContent*>(owner);
    if (info == textInfo && content->text) {
        gtk_selection_data_set_text(data, content->text->data(), static_cast<gint>(content->text->size()));
    } else if (info == pictureInfo && content->pixbuf) {
        gtk_selection_data_set_pixbuf(data, content->pixbuf);
    } else if (info < content->formats.size()) {
        const std::string& bytes = content->formats[info].bytes;
        gtk_selection_data_set(data, gtk_selection_data_get_target(data), 8,
                               reinterpret_cast<const guchar*>(bytes.data()), static_cast<gint>(bytes.size()));
    }
}

void dropOwnContent(GtkClipboard*, gpointer owner)
{
    delete static_cast<OwnContent*>(owner);
}

} // namespace

void GtkPasteboard::write(const ClipboardWrite& content)
{
    const auto* picture = dynamic_cast<const PixbufImage*>(content.image);
    if (content.formats.empty()) {
        if (picture && picture->pixbuf())
            writeImage(*picture);
        else if (content.text)
            writeText(*content.text);
        return;
    }
    auto own = std::make_unique<OwnContent>();
    GtkTargetList* list = gtk_target_list_new(nullptr, 0);
    if (picture && picture->pixbuf()) {
        own->pixbuf = GDK_PIXBUF(g_object_ref(picture->pixbuf()));
        gtk_target_list_add_image_targets(list, pictureInfo, TRUE);
    } else if (content.text) {
        own->text = content.text;
        gtk_target_list_add_text_targets(list, textInfo);
    }
    own->formats = content.formats;
    for (guint index = 0; index < own->formats.size(); ++index)
        gtk_target_list_add(list, gdk_atom_intern(own->formats[index].type.c_str(), FALSE), 0, index);
    gint count = 0;
    GtkTargetEntry* targets = gtk_target_table_new_from_list(list, &count);
    OwnContent* owner = own.release();
    if (!gtk_clipboard_set_with_data(clipboard_, targets, static_cast<guint>(count), serveOwnContent,
                                     dropOwnContent, owner))
        delete owner;
    gtk_target_table_free(targets, count);
    gtk_target_list_unref(list);
    countOwnWrite();
}

void GtkPasteboard::watch(PasteboardWatch watch)
{
    if (watch_.onMaybeChanged)
        return;
    watch_ = std::move(watch);
    if (!displayNotifies_)
        timerSource_ = g_timeout_add(fallbackIntervalMs, onTimerTick, this);
}

void GtkPasteboard::countOwnWrite()
{
    ++count_;
    ++pendingEchoes_;
    // What another program offered before is gone now; a read of it would be out of date.
    abandonRead();
    snapshot_ = {};
}

void GtkPasteboard::abandonRead()
{
    // A change whose read is given up still counts: the tick must learn that the clipboard held
    // something it never saw, or an owner quitting during its read would look like the one
    // change after the copy before it, and the keep-alive would put that older copy back.
    if (reader_.isReading())
        ++count_;
    reader_.abandon();
}

void GtkPasteboard::startRead()
{
    abandonRead();
    if (watch_.onOwnerChanged)
        watch_.onOwnerChanged();
    reader_.fetch();
}

void GtkPasteboard::takeSnapshot(ClipboardSnapshot snapshot)
{
    snapshot_ = std::move(snapshot);
    snapshotChange_ = ++count_;
    scheduleTick();
}

void GtkPasteboard::takeLateFormats(std::vector<ExtraFormat> formats)
{
    // Handed on from the main loop: a read given up inside one of our own writes must not have
    // capture change the history under that write.
    late_ = LateFormats{snapshotChange_, std::move(formats)};
    if (watch_.onLateFormats && !lateSource_)
        lateSource_ = g_idle_add_full(G_PRIORITY_DEFAULT, onLateFormats, this, nullptr);
}

gboolean GtkPasteboard::onLateFormats(gpointer data)
{
    auto* self = static_cast<GtkPasteboard*>(data);
    self->lateSource_ = 0;
    self->watch_.onLateFormats();
    return G_SOURCE_REMOVE;
}

void GtkPasteboard::onOwnerChange(GtkClipboard*, GdkEventOwnerChange* event, gpointer data)
{
    auto* self = static_cast<GtkPasteboard*>(data);
    if (isOwnWindow(event->owner)) {
        if (self->pendingEchoes_ > 0) {
            // The echo of a write already counted.
            --self->pendingEchoes_;
            return;
        }
    } else {
        // The server reports changes in order, so every echo of our writes came before this.
        self->pendingEchoes_ = 0;
    }
    // A copy made inside Brimble's own page is an ordinary copy and is read like any other.
    self->startRead();
}

void GtkPasteboard::scheduleTick()
{
    // The tick runs as an event of its own, once the read's last event is handled; at the
    // default priority, so a copy is recorded before the page's redraws are made.
    if (watch_.onMaybeChanged && !tickSource_)
        tickSource_ = g_idle_add_full(G_PRIORITY_DEFAULT, onIdleTick, this, nullptr);
}

gboolean GtkPasteboard::onIdleTick(gpointer data)
{
    auto* self = static_cast<GtkPasteboard*>(data);
    self->tickSource_ = 0;
    self->watch_.onMaybeChanged();
    return G_SOURCE_REMOVE;
}

gboolean GtkPasteboard::onTimerTick(gpointer data)
{
    static_cast<GtkPasteboard*>(data)->sampleOwner();
    return G_SOURCE_CONTINUE;
}

void GtkPasteboard::sampleOwner()
{
    GdkDisplay* display = gtk_clipboard_get_display(clipboard_);
    if (!GDK_IS_X11_DISPLAY(display))
        return;
    const Window owner = XGetSelectionOwner(GDK_DISPLAY_XDISPLAY(display),
                                            gdk_x11_get_xatom_by_name_for_display(display, "CLIPBOARD"));
    if (owner == lastOwner_)
        return;
    lastOwner_ = owner;
    // Our own windows took the selection for a write that was counted then.
    if (owner != None && gdk_x11_window_lookup_for_display(display, owner))
        return;
    startRead();
}

} // namespace brimble
