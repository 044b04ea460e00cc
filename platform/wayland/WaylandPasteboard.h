#pragma once

#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <glib.h>

#include "platform/Pasteboard.h"
#include "platform/wayland/OfferedTypes.h"
#include "platform/wayland/PipeTransfer.h"
#include "platform/wayland/SelectionState.h"
#include "platform/wayland/XwaylandOwnerWatch.h"
#include "platform/wayland/XwaylandTrail.h"

struct wl_proxy;
struct wl_seat;

namespace brimble {

class WaylandConnection;

// The regular selection through the data-control protocol, which a compositor offers to
// clipboard managers: ext_data_control_v1 where offered, else wlroots' zwlr_data_control_v1.
// The two have the same requests and events in the same order, so one client serves both.
//
// Each new selection is read at once, asynchronously (its types, then its text or picture), and
// the tick runs when the reads are done; `types`, `text` and `image` answer from what was read.
class WaylandPasteboard final : public Pasteboard {
public:
    // Nothing when the compositor offers no data-control protocol or no seat.
    static std::unique_ptr<WaylandPasteboard> create(WaylandConnection& connection, ImageCodec& codec);
    ~WaylandPasteboard() override;

    int64_t changeCount() override;
    std::set<std::string> types() override;
    bool typesComplete() override;
    std::optional<std::string> text() override;
    std::unique_ptr<PlatformImage> image() override;
    std::optional<std::string> pictureDigest() override;
    const std::vector<ExtraFormat>& extraFormats() override;
    bool formatsPending() override { return state_.content().formatsFollow; }
    std::optional<LateFormats> takeLateFormats() override { return std::exchange(late_, std::nullopt); }
    bool isOwnerless() override;
    void clear() override;
    void write(const ClipboardWrite& content) override;
    void writeText(const std::string& text) override;
    void writeImage(const PlatformImage& image) override;
    void watch(PasteboardWatch watch) override;
    bool isConnected() override { return connected_; }

    struct Interfaces;

private:
    // The MIME types an offer announced so far, by offer.
    using OfferTypes = std::map<wl_proxy*, wayland::OfferedTypeList>;
    // What Brimble offers, by MIME type; shared with writes still running when it is replaced.
    using OwnOffer = std::map<std::string, std::shared_ptr<const std::string>>;

    WaylandPasteboard(WaylandConnection& connection, ImageCodec& codec, const Interfaces& interfaces,
                      wl_proxy* manager, wl_seat* seat);
    static void onDataOffer(void* self, wl_proxy* device, wl_proxy* offer);
    static void onSelection(void* self, wl_proxy* device, wl_proxy* offer);
    static void onFinished(void* self, wl_proxy* device);
    static void onPrimarySelection(void* self, wl_proxy* device, wl_proxy* offer);
    static void onOfferType(void* self, wl_proxy* offer, const char* mimeType);
    static void onSend(void* self, wl_proxy* source, const char* mimeType, int32_t fd);
    static void onCancelled(void* self, wl_proxy* source);
    static gboolean onIdleTick(gpointer self);
    static gboolean onLateFormats(gpointer self);
    static gboolean onXOwnerGoneSettled(gpointer self);

    void dropOffer(wl_proxy* offer);
    void readNext();
    // Counts the selection read with what came so far; false when a newer one replaced it.
    bool handOver(bool formatsFollow);
    // Hands over the formats read after their selection was, as far as they came whole. With
    // `ownerGone`, formats that ended just before are left out: a pipe closed by an owner that
    // quit mid-send reads like one that was finished.
    void handOverLateFormats(bool ownerGone = false);
    static gboolean onFormatsSettled(gpointer self);
    void receive(const std::string& mimeType, size_t limit);
    void receiveFormat(const KeptFormats::Read& format);
    // Opens a pipe for `mimeType` of the selection; -1 when none can be.
    int requestPipe(const std::string& mimeType);
    void offerOwn(OwnOffer offer, wayland::ClipboardContent content);
    void scheduleTick();
    // The compositor connection is gone: nothing more can be seen or offered through it.
    void connectionLost();
    void xOwnerGone();

    WaylandConnection& connection_;
    ImageCodec& codec_;
    const Interfaces& interfaces_;
    wl_proxy* manager_;
    wl_seat* seat_;
    wl_proxy* device_ = nullptr;
    bool starting_ = true;
    wayland::SelectionState state_;
    OfferTypes offers_;
    wl_proxy* selection_ = nullptr;

    // The reads of the selection now being read, one at a time.
    struct Reading {
        uint64_t generation = 0;
        std::vector<std::string> pending; // MIME types still to read
        std::vector<KeptFormats::Read> formats; // kept formats still to read, after them
        wayland::ClipboardContent content;
        std::vector<ExtraFormat> kept;    // the kept formats read whole so far
        std::vector<gint64> keptAtUs;     // when each of them ended
        int64_t handedOverAs = 0;         // the change it was counted as, once it was
    };
    Reading reading_;
    std::unique_ptr<wayland::PipeReader> reader_;

    wl_proxy* ownSource_ = nullptr;
    OwnOffer ownOffer_;
    std::list<std::unique_ptr<wayland::PipeWriter>> writers_;

    // An X11 owner's copy that the compositor keeps after the owner is gone.
    wayland::XwaylandTrail xTrail_;
    std::unique_ptr<wayland::XwaylandOwnerWatch> xOwner_;
    bool xOwnerTried_ = false;
    guint xOwnerGoneCheck_ = 0;

    PasteboardWatch watch_;
    guint tickSource_ = 0;
    std::optional<LateFormats> late_;
    guint lateSource_ = 0;
    guint settleSource_ = 0;
    bool connected_ = true;
};

} // namespace brimble
