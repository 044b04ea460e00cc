#pragma once

#include <optional>
#include <string>
#include <vector>

#include <gtk/gtk.h>

#include "platform/Pasteboard.h"

namespace brimble {

// The X11 CLIPBOARD selection through GtkClipboard.
//
// The change counter moves on every "owner-change" the display reports. Brimble's own writes
// move it at the write, like the counter of other systems does, and the "owner-change" that the
// write later causes (the owner is then a window of this process) is not counted again, so a
// copy-back is never recorded. The blocking reads run a nested main loop and are only made from
// the tick, never from inside the signal handler.
class GtkPasteboard final : public Pasteboard {
public:
    explicit GtkPasteboard(ImageCodec& codec);
    ~GtkPasteboard() override;

    int64_t changeCount() override;
    std::set<std::string> types() override;
    std::optional<std::string> text() override;
    std::unique_ptr<PlatformImage> image() override;
    bool isOwnerless() override;
    void clear() override;
    void writeText(const std::string& text) override;
    void writeImage(const PlatformImage& image) override;
    void watch(std::function<void()> onMaybeChanged) override;

private:
    static void onOwnerChange(GtkClipboard* clipboard, GdkEventOwnerChange* event, gpointer self);
    static gboolean onIdleTick(gpointer self);
    static gboolean onTimerTick(gpointer self);

    void countOwnWrite();
    void scheduleTick();
    void runTick();
    // Where the display sends no "owner-change", notices a new owner by asking the X server.
    void sampleOwner();
    const std::vector<std::string>& targets();

    ImageCodec& codec_;
    GtkClipboard* clipboard_;
    bool displayNotifies_;
    int64_t count_ = 1;
    // Own writes whose "owner-change" has not arrived yet.
    int pendingEchoes_ = 0;
    unsigned long lastOwner_ = 0;
    std::function<void()> onMaybeChanged_;
    guint tickSource_ = 0;
    guint timerSource_ = 0;
    bool ticking_ = false;
    bool tickAgain_ = false;
    std::optional<int64_t> targetsCount_;
    std::vector<std::string> targets_;
};

} // namespace brimble
