#include "platform/gtk/GtkPasteboard.h"

#include <span>

#include <gdk/gdkx.h>

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

} // namespace

GtkPasteboard::GtkPasteboard(ImageCodec& codec)
    : codec_(codec), clipboard_(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD))
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
}

int64_t GtkPasteboard::changeCount()
{
    if (!displayNotifies_)
        sampleOwner();
    return count_;
}

std::set<std::string> GtkPasteboard::types()
{
    return typesForTargets(targets());
}

std::optional<std::string> GtkPasteboard::text()
{
    // Asks for UTF8_STRING first and converts the older text targets when that is missing.
    g_autofree gchar* text = gtk_clipboard_wait_for_text(clipboard_);
    if (!text)
        return std::nullopt;
    return std::string(text);
}

std::unique_ptr<PlatformImage> GtkPasteboard::image()
{
    const std::string target = preferredImageTarget(targets());
    if (target.empty())
        return nullptr;
    GtkSelectionData* data = gtk_clipboard_wait_for_contents(clipboard_, gdk_atom_intern(target.c_str(), FALSE));
    if (!data)
        return nullptr;
    const int length = gtk_selection_data_get_length(data);
    std::unique_ptr<PlatformImage> image;
    if (length > 0) {
        // The codec refuses a picture that claims more than 64 million pixels before decoding
        // any of them, so a small file that would decode to gigabytes costs nothing.
        image = codec_.decode(std::span<const uint8_t>(gtk_selection_data_get_data(data), static_cast<size_t>(length)));
    }
    gtk_selection_data_free(data);
    return image;
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

void GtkPasteboard::watch(std::function<void()> onMaybeChanged)
{
    if (onMaybeChanged_)
        return;
    onMaybeChanged_ = std::move(onMaybeChanged);
    if (!displayNotifies_)
        timerSource_ = g_timeout_add(fallbackIntervalMs, onTimerTick, this);
}

void GtkPasteboard::countOwnWrite()
{
    ++count_;
    ++pendingEchoes_;
    targetsCount_.reset();
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
    // A copy made inside Brimble's own page is an ordinary copy and is counted like any other.
    ++self->count_;
    self->scheduleTick();
}

void GtkPasteboard::scheduleTick()
{
    if (!onMaybeChanged_)
        return;
    // The reads of a running tick spin a nested main loop; a tick started inside it would read
    // the clipboard half-way through the outer one. It runs again once the outer one is done.
    if (ticking_) {
        tickAgain_ = true;
        return;
    }
    if (!tickSource_)
        tickSource_ = g_idle_add(onIdleTick, this);
}

gboolean GtkPasteboard::onIdleTick(gpointer data)
{
    auto* self = static_cast<GtkPasteboard*>(data);
    self->tickSource_ = 0;
    self->runTick();
    return G_SOURCE_REMOVE;
}

gboolean GtkPasteboard::onTimerTick(gpointer data)
{
    static_cast<GtkPasteboard*>(data)->runTick();
    return G_SOURCE_CONTINUE;
}

void GtkPasteboard::runTick()
{
    if (ticking_) {
        tickAgain_ = true;
        return;
    }
    ticking_ = true;
    tickAgain_ = false;
    onMaybeChanged_();
    ticking_ = false;
    if (tickAgain_) {
        tickAgain_ = false;
        scheduleTick();
    }
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
    ++count_;
}

const std::vector<std::string>& GtkPasteboard::targets()
{
    const int64_t count = count_;
    if (targetsCount_ == count)
        return targets_;
    targets_.clear();
    GdkAtom* atoms = nullptr;
    gint atomCount = 0;
    if (gtk_clipboard_wait_for_targets(clipboard_, &atoms, &atomCount)) {
        for (gint i = 0; i < atomCount; ++i) {
            g_autofree gchar* name = gdk_atom_name(atoms[i]);
            if (name)
                targets_.emplace_back(name);
        }
    }
    g_free(atoms);
    targetsCount_ = count;
    return targets_;
}

} // namespace brimble
