#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtk/gtk.h>

#include "platform/Pasteboard.h"
#include "platform/gtk/SelectionReader.h"

namespace brimble {

// The X11 CLIPBOARD selection: GtkClipboard for writes and change notices, `SelectionReader`
// for reads.
//
// Nothing here waits on another program. Each "owner-change" starts a read of what capture
// needs; when it ends, the change counter moves and the tick runs with the data in hand, so
// `types`, `text` and `image` answer from that snapshot. A newer change abandons the read under
// way, which still moves the counter (every change of owner counts, read or not), and a read that
// runs out of time moves the counter with an empty snapshot. Brimble's own
// writes move the counter at the write, like the counter of other systems does, and the
// "owner-change" that the write later causes (the owner is then a window of this process) is
// not read or counted again, so a copy-back is never recorded.
class GtkPasteboard final : public Pasteboard {
public:
    explicit GtkPasteboard(ImageCodec& codec);
    ~GtkPasteboard() override;

    int64_t changeCount() override;
    std::set<std::string> types() override;
    bool typesComplete() override;
    std::optional<std::string> text() override;
    std::unique_ptr<PlatformImage> image() override;
    std::optional<std::string> pictureDigest() override;
    const std::vector<ExtraFormat>& extraFormats() override;
    bool formatsPending() override { return snapshot_.formatsFollow; }
    std::optional<LateFormats> takeLateFormats() override { return std::exchange(late_, std::nullopt); }
    bool isOwnerless() override;
    void clear() override;
    void write(const ClipboardWrite& content) override;
    void writeText(const std::string& text) override;
    void writeImage(const PlatformImage& image) override;
    void watch(PasteboardWatch watch) override;
    // GTK ends the program itself when its X connection is lost.
    bool isConnected() override { return true; }

private:
    static void onOwnerChange(GtkClipboard* clipboard, GdkEventOwnerChange* event, gpointer self);
    static gboolean onIdleTick(gpointer self);
    static gboolean onLateFormats(gpointer self);
    static gboolean onTimerTick(gpointer self);

    void countOwnWrite();
    // Starts reading the new owner's content, counting a read it gives up as a change.
    void startRead();
    void abandonRead();
    void takeSnapshot(ClipboardSnapshot snapshot);
    void takeLateFormats(std::vector<ExtraFormat> formats);
    void scheduleTick();
    // Where the display sends no "owner-change", notices a new owner by asking the X server.
    void sampleOwner();

    ImageCodec& codec_;
    GtkClipboard* clipboard_;
    bool displayNotifies_;
    int64_t count_ = 1;
    // Own writes whose "owner-change" has not arrived yet.
    int pendingEchoes_ = 0;
    unsigned long lastOwner_ = 0;
    PasteboardWatch watch_;
    guint tickSource_ = 0;
    guint timerSource_ = 0;
    // What the clipboard held at the change `count_` stands for.
    ClipboardSnapshot snapshot_;
    // The change the last snapshot handed over stands for, and its formats once read.
    int64_t snapshotChange_ = 0;
    std::optional<LateFormats> late_;
    guint lateSource_ = 0;
    SelectionReader reader_;
};

} // namespace brimble
