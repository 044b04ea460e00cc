#include "platform/wayland/WaylandPasteboard.h"

#include <algorithm>
#include <climits>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

#include "common/Sha256.h"
#include "common/Uuid.h"
#include "ext-data-control-v1-client-protocol.h"
#include "platform/gtk/ClipboardTargets.h"
#include "platform/wayland/OfferedTypes.h"
#include "platform/wayland/WaylandConnection.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace brimble {

using wayland::ClipboardContent;
using wayland::SelectionState;

struct WaylandPasteboard::Interfaces {
    const wl_interface& manager;
    const wl_interface& device;
    const wl_interface& source;
    uint32_t version;
};

namespace {

// The requests of both protocols, by the numbers they share.
static_assert(EXT_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE == ZWLR_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE);
static_assert(EXT_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE == ZWLR_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE);
static_assert(EXT_DATA_CONTROL_MANAGER_V1_DESTROY == ZWLR_DATA_CONTROL_MANAGER_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_DEVICE_V1_SET_SELECTION == ZWLR_DATA_CONTROL_DEVICE_V1_SET_SELECTION);
static_assert(EXT_DATA_CONTROL_DEVICE_V1_DESTROY == ZWLR_DATA_CONTROL_DEVICE_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_SOURCE_V1_OFFER == ZWLR_DATA_CONTROL_SOURCE_V1_OFFER);
static_assert(EXT_DATA_CONTROL_SOURCE_V1_DESTROY == ZWLR_DATA_CONTROL_SOURCE_V1_DESTROY);
static_assert(EXT_DATA_CONTROL_OFFER_V1_RECEIVE == ZWLR_DATA_CONTROL_OFFER_V1_RECEIVE);
static_assert(EXT_DATA_CONTROL_OFFER_V1_DESTROY == ZWLR_DATA_CONTROL_OFFER_V1_DESTROY);

const WaylandPasteboard::Interfaces extInterfaces{ext_data_control_manager_v1_interface,
                                                  ext_data_control_device_v1_interface,
                                                  ext_data_control_source_v1_interface, 1};
const WaylandPasteboard::Interfaces wlrInterfaces{zwlr_data_control_manager_v1_interface,
                                                  zwlr_data_control_device_v1_interface,
                                                  zwlr_data_control_source_v1_interface, 2};

// The events of both protocols, in their shared order.
struct DeviceListener {
    void (*dataOffer)(void*, wl_proxy*, wl_proxy*);
    void (*selection)(void*, wl_proxy*, wl_proxy*);
    void (*finished)(void*, wl_proxy*);
    void (*primarySelection)(void*, wl_proxy*, wl_proxy*);
};
struct OfferListener {
    void (*offer)(void*, wl_proxy*, const char*);
};
struct SourceListener {
    void (*send)(void*, wl_proxy*, const char*, int32_t);
    void (*cancelled)(void*, wl_proxy*);
};

template <typename Listener>
void listen(wl_proxy* proxy, const Listener& listener, void* data)
{
    wl_proxy_add_listener(proxy, reinterpret_cast<void (**)(void)>(const_cast<Listener*>(&listener)), data);
}

void destroyProxy(wl_proxy* proxy, uint32_t opcode)
{
    if (proxy)
        wl_proxy_marshal_flags(proxy, opcode, nullptr, wl_proxy_get_version(proxy), WL_MARSHAL_FLAG_DESTROY);
}

// A reader that takes longer than this is taken for a program that will never close its pipe.
constexpr unsigned readTimeoutMs = 3000;
// A kept format gets less time than the copy's text.
constexpr unsigned formatTimeoutMs = 2000;
// A reader of our own offer that stops taking bytes is left after this long.
constexpr unsigned writeTimeoutMs = 5000;
// How long formats that have all ended wait before they are handed over: an owner that quit
// mid-send closed its pipes as it went, and the compositor says it is gone within this.
constexpr unsigned formatsSettleMs = 150;

} // namespace

std::unique_ptr<WaylandPasteboard> WaylandPasteboard::create(WaylandConnection& connection, ImageCodec& codec)
{
    const Interfaces* interfaces = connection.versionOf(extInterfaces.manager.name) ? &extInterfaces
        : connection.versionOf(wlrInterfaces.manager.name)                         ? &wlrInterfaces
                                                                                    : nullptr;
    if (!interfaces)
        return nullptr;
    auto* seat = static_cast<wl_seat*>(connection.bind(wl_seat_interface, 1));
    if (!seat)
        return nullptr;
    auto* manager = static_cast<wl_proxy*>(connection.bind(interfaces->manager, interfaces->version));
    std::unique_ptr<WaylandPasteboard> pasteboard(
        new WaylandPasteboard(connection, codec, *interfaces, manager, seat));
    // The clipboard as it is when the program starts is where counting begins, not a copy. A
    // compositor that announces it to a new client (sway does, KWin does not) has done so once
    // this round trip is over.
    connection.roundtrip();
    pasteboard->starting_ = false;
    connection.setOnLost([raw = pasteboard.get()] { raw->connectionLost(); });
    return pasteboard;
}

WaylandPasteboard::WaylandPasteboard(WaylandConnection& connection, ImageCodec& codec, const Interfaces& interfaces,
                                     wl_proxy* manager, wl_seat* seat)
    : connection_(connection)
    , codec_(codec)
    , interfaces_(interfaces)
    , manager_(manager)
    , seat_(seat)
    , state_(wayland::ownMarkerType(newUuid()))
{
    // A program that closes its end of a pipe before our write is done must not end this
    // process with SIGPIPE; the write then fails with EPIPE instead.
    std::signal(SIGPIPE, SIG_IGN);
    static const DeviceListener listener{onDataOffer, onSelection, onFinished, onPrimarySelection};
    device_ = wl_proxy_marshal_flags(manager_, EXT_DATA_CONTROL_MANAGER_V1_GET_DATA_DEVICE, &interfaces_.device,
                                     wl_proxy_get_version(manager_), 0, nullptr, seat_);
    listen(device_, listener, this);
}

WaylandPasteboard::~WaylandPasteboard()
{
    connection_.setOnLost({});
    if (tickSource_)
        g_source_remove(tickSource_);
    if (lateSource_)
        g_source_remove(lateSource_);
    if (settleSource_)
        g_source_remove(settleSource_);
    if (xOwnerGoneCheck_)
        g_source_remove(xOwnerGoneCheck_);
    reader_.reset();
    writers_.clear();
    for (auto& [offer, types] : offers_)
        destroyProxy(offer, EXT_DATA_CONTROL_OFFER_V1_DESTROY);
    destroyProxy(selection_, EXT_DATA_CONTROL_OFFER_V1_DESTROY);
    destroyProxy(ownSource_, EXT_DATA_CONTROL_SOURCE_V1_DESTROY);
    destroyProxy(device_, EXT_DATA_CONTROL_DEVICE_V1_DESTROY);
    destroyProxy(manager_, EXT_DATA_CONTROL_MANAGER_V1_DESTROY);
    wl_proxy_destroy(reinterpret_cast<wl_proxy*>(seat_));
    connection_.flush();
}

int64_t WaylandPasteboard::changeCount()
{
    return state_.changeCount();
}

std::set<std::string> WaylandPasteboard::types()
{
    return state_.types();
}

bool WaylandPasteboard::typesComplete()
{
    return state_.content().typesComplete;
}

std::optional<std::string> WaylandPasteboard::text()
{
    return state_.content().text;
}

std::unique_ptr<PlatformImage> WaylandPasteboard::image()
{
    const std::optional<std::string>& picture = state_.content().picture;
    if (!picture || picture->empty())
        return nullptr;
    return codec_.decode(std::span(reinterpret_cast<const uint8_t*>(picture->data()), picture->size()),
                         state_.content().pictureType);
}

std::optional<std::string> WaylandPasteboard::pictureDigest()
{
    const std::optional<std::string>& picture = state_.content().picture;
    if (!picture)
        return std::nullopt;
    return sha256Hex(*picture);
}

const std::vector<ExtraFormat>& WaylandPasteboard::extraFormats()
{
    return state_.content().formats;
}

bool WaylandPasteboard::isOwnerless()
{
    return state_.isOwnerless();
}

void WaylandPasteboard::clear()
{
    // Setting a new source replaces every type at once; an empty clipboard in between would
    // only be announced to every other client.
}

void WaylandPasteboard::writeText(const std::string& text)
{
    auto bytes = std::make_shared<const std::string>(text);
    OwnOffer offer;
    ClipboardContent content;
    for (const std::string& mimeType : wayland::textTypesWritten()) {
        offer[mimeType] = bytes;
        content.mimeTypes.push_back(mimeType);
    }
    content.text = text;
    offerOwn(std::move(offer), std::move(content));
}

void WaylandPasteboard::writeImage(const PlatformImage& image)
{
    // Written whole, never scaled: the entry's picture is already at its stored size.
    std::optional<EncodedImage> encoded = codec_.encode(image, ImageFormat::Png, INT_MAX);
    if (!encoded)
        return;
    auto bytes = std::make_shared<const std::string>(encoded->bytes.begin(), encoded->bytes.end());
    ClipboardContent content{{"image/png"}, std::nullopt, *bytes, "image/png"};
    offerOwn(OwnOffer{{"image/png", bytes}}, std::move(content));
}

void WaylandPasteboard::write(const ClipboardWrite& content)
{
    OwnOffer offer;
    ClipboardContent own;
    if (content.image) {
        std::optional<EncodedImage> encoded = codec_.encode(*content.image, ImageFormat::Png, INT_MAX);
        if (!encoded)
            return;
        auto bytes = std::make_shared<const std::string>(encoded->bytes.begin(), encoded->bytes.end());
        offer["image/png"] = bytes;
        own.mimeTypes.push_back("image/png");
        own.picture = *bytes;
        own.pictureType = "image/png";
    } else if (content.text) {
        auto bytes = std::make_shared<const std::string>(*content.text);
        for (const std::string& mimeType : wayland::textTypesWritten()) {
            offer[mimeType] = bytes;
            own.mimeTypes.push_back(mimeType);
        }
        own.text = *content.text;
    }
    for (const ExtraFormat& format : content.formats) {
        offer[format.type] = std::make_shared<const std::string>(format.bytes);
        own.mimeTypes.push_back(format.type);
    }
    own.formats = content.formats;
    offerOwn(std::move(offer), std::move(own));
}

void WaylandPasteboard::watch(PasteboardWatch watch)
{
    if (!watch_.onMaybeChanged)
        watch_ = std::move(watch);
}

void WaylandPasteboard::onDataOffer(void* data, wl_proxy*, wl_proxy* offer)
{
    auto* self = static_cast<WaylandPasteboard*>(data);
    static const OfferListener listener{onOfferType};
    self->offers_[offer];
    listen(offer, listener, self);
}

void WaylandPasteboard::onOfferType(void* data, wl_proxy* offer, const char* mimeType)
{
    auto* self = static_cast<WaylandPasteboard*>(data);
    if (auto found = self->offers_.find(offer); found != self->offers_.end() && mimeType)
        found->second.add(mimeType);
}

void WaylandPasteboard::onSelection(void* data, wl_proxy*, wl_proxy* offer)
{
    auto* self = static_cast<WaylandPasteboard*>(data);
    // The previous selection's offer is no longer valid, and reads of it are pointless; the
    // formats that came whole still go to the copy they were read for.
    self->handOverLateFormats(!offer);
    self->reader_.reset();
    if (self->selection_ != offer)
        self->dropOffer(self->selection_);
    self->selection_ = offer;
    std::optional<std::vector<std::string>> mimeTypes;
    bool complete = true;
    if (offer) {
        auto found = self->offers_.find(offer);
        mimeTypes = std::vector<std::string>{};
        if (found != self->offers_.end()) {
            complete = found->second.complete();
            mimeTypes = found->second.take();
            self->offers_.erase(found);
        }
    }
    const auto baseline = self->starting_ ? SelectionState::Baseline::Yes : SelectionState::Baseline::No;
    const SelectionState::Next next = self->state_.announce(mimeTypes, baseline);
    const bool fromX11 = mimeTypes && wayland::XwaylandTrail::listsX11Targets(*mimeTypes);
    self->xTrail_.waylandSelection(next == SelectionState::Next::Read, fromX11);
    // Watched from the first X11 copy on, whose owner is still there: a desktop that starts
    // XWayland on demand is not made to start it for nothing.
    if (fromX11 && !self->xOwner_ && !std::exchange(self->xOwnerTried_, true))
        self->xOwner_ = wayland::XwaylandOwnerWatch::open([self] { self->xOwnerGone(); });
    switch (next) {
    case SelectionState::Next::Nothing:
        break;
    case SelectionState::Next::Tick:
        self->scheduleTick();
        break;
    case SelectionState::Next::Read: {
        // The picture first, as capture prefers it; the text as well, since capture falls back
        // to it when the picture cannot be decoded.
        if (self->watch_.onOwnerChanged)
            self->watch_.onOwnerChanged();
        // No picture is asked for beside a plain text; the kept formats come after the text.
        const std::string picture =
            KeptFormats::readsPicture(*mimeTypes) ? wayland::preferredPictureType(*mimeTypes) : std::string();
        self->reading_ = Reading{self->state_.generation(), {}, KeptFormats::formatsToRead(*mimeTypes),
                                 ClipboardContent{*mimeTypes, std::nullopt, std::nullopt, picture, complete, {}}};
        if (!picture.empty())
            self->reading_.pending.push_back(picture);
        if (std::string text = wayland::preferredTextType(*mimeTypes); !text.empty())
            self->reading_.pending.push_back(text);
        self->readNext();
        break;
    }
    }
}

void WaylandPasteboard::xOwnerGone()
{
    if (!xTrail_.xOwnerGone())
        return;
    // A compositor that clears the selection does so at once; the check waits for that.
    if (xOwnerGoneCheck_)
        g_source_remove(xOwnerGoneCheck_);
    xOwnerGoneCheck_ = g_timeout_add(100, onXOwnerGoneSettled, this);
}

gboolean WaylandPasteboard::onXOwnerGoneSettled(gpointer data)
{
    auto* self = static_cast<WaylandPasteboard*>(data);
    self->xOwnerGoneCheck_ = 0;
    // Left behind: readers would get nothing from it, as from an empty clipboard.
    if (self->xTrail_.leftBehind() && self->state_.announce(std::nullopt) == SelectionState::Next::Tick)
        self->scheduleTick();
    return G_SOURCE_REMOVE;
}

void WaylandPasteboard::onPrimarySelection(void* data, wl_proxy*, wl_proxy* offer)
{
    // Only the regular selection is watched; the primary one's offers are let go at once.
    static_cast<WaylandPasteboard*>(data)->dropOffer(offer);
}

void WaylandPasteboard::onFinished(void* data, wl_proxy*)
{
    // The seat is gone; the device will report nothing more.
    auto* self = static_cast<WaylandPasteboard*>(data);
    destroyProxy(self->device_, EXT_DATA_CONTROL_DEVICE_V1_DESTROY);
    self->device_ = nullptr;
    self->connectionLost();
}

void WaylandPasteboard::dropOffer(wl_proxy* offer)
{
    if (!offer)
        return;
    offers_.erase(offer);
    destroyProxy(offer, EXT_DATA_CONTROL_OFFER_V1_DESTROY);
}

void WaylandPasteboard::readNext()
{
    if (reading_.pending.empty()) {
        // The text or picture is in: the copy counts now and its formats follow, unless it is a
        // copy of files alone, whose only text is theirs.
        const bool early = !reading_.handedOverAs && !reading_.formats.empty()
            && (reading_.content.text || reading_.content.picture);
        if (early && !handOver(true))
            return;
        if (!reading_.formats.empty()) {
            const KeptFormats::Read format = reading_.formats.front();
            reading_.formats.erase(reading_.formats.begin());
            receiveFormat(format);
        } else if (reading_.handedOverAs) {
            if (!settleSource_)
                settleSource_ = g_timeout_add(formatsSettleMs, onFormatsSettled, this);
        } else {
            handOver(false);
        }
        return;
    }
    const std::string mimeType = reading_.pending.front();
    reading_.pending.erase(reading_.pending.begin());
    const bool picture = mimeType.starts_with("image/");
    receive(mimeType, picture ? wayland::pictureReadLimit : wayland::textReadLimit);
}

int WaylandPasteboard::requestPipe(const std::string& mimeType)
{
    int fds[2];
    if (!selection_ || pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    // Only our end waits for nothing. The owner's end stays blocking: O_NONBLOCK belongs to the
    // pipe's end, not to the descriptor, and an owner that writes in one blocking loop (wl-copy,
    // many toolkits) stops at the first full pipe, 64 KiB, and closes: a cut copy that looks whole.
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    wl_proxy_marshal_flags(selection_, EXT_DATA_CONTROL_OFFER_V1_RECEIVE, nullptr, wl_proxy_get_version(selection_),
                           0, mimeType.c_str(), fds[1]);
    // The compositor has its own copy of the write end once the request is sent.
    connection_.flush();
    close(fds[1]);
    return fds[0];
}

bool WaylandPasteboard::handOver(bool formatsFollow)
{
    ClipboardContent content = std::move(reading_.content);
    content.formatsFollow = formatsFollow;
    if (!formatsFollow)
        content.formats = std::move(reading_.kept);
    if (!state_.finishReading(reading_.generation, std::move(content))) {
        reading_.formats.clear();
        return false;
    }
    reading_.handedOverAs = state_.changeCount();
    scheduleTick();
    return true;
}

void WaylandPasteboard::handOverLateFormats(bool ownerGone)
{
    if (settleSource_) {
        g_source_remove(settleSource_);
        settleSource_ = 0;
    }
    if (!reading_.handedOverAs)
        return;
    std::vector<ExtraFormat> kept = std::move(reading_.kept);
    if (ownerGone) {
        const gint64 suspectSince = g_get_monotonic_time() - gint64{formatsSettleMs} * 1000;
        for (size_t index = kept.size(); index-- > 0;)
            if (reading_.keptAtUs[index] >= suspectSince)
                kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(index));
    }
    late_ = LateFormats{std::exchange(reading_.handedOverAs, 0), std::move(kept)};
    reading_.kept.clear();
    reading_.keptAtUs.clear();
    reading_.formats.clear();
    if (watch_.onLateFormats && !lateSource_)
        lateSource_ = g_idle_add(onLateFormats, this);
}

gboolean WaylandPasteboard::onFormatsSettled(gpointer data)
{
    auto* self = static_cast<WaylandPasteboard*>(data);
    self->settleSource_ = 0;
    self->handOverLateFormats();
    return G_SOURCE_REMOVE;
}

gboolean WaylandPasteboard::onLateFormats(gpointer data)
{
    auto* self = static_cast<WaylandPasteboard*>(data);
    self->lateSource_ = 0;
    if (self->watch_.onLateFormats)
        self->watch_.onLateFormats();
    return G_SOURCE_REMOVE;
}

void WaylandPasteboard::receiveFormat(const KeptFormats::Read& format)
{
    const int fd = requestPipe(format.offered);
    if (fd < 0) {
        readNext();
        return;
    }
    size_t used = 0;
    for (const ExtraFormat& kept : reading_.kept)
        used += kept.bytes.size();
    const size_t room = KeptFormats::maxEntryBytes - std::min(used, KeptFormats::maxEntryBytes);
    // A format too large or too slow is left out; what came before stays.
    reader_ = std::make_unique<wayland::PipeReader>(
        fd, std::min(KeptFormats::capFor(format.keptAs), room), formatTimeoutMs,
        [this, format](std::optional<std::string> bytes) {
            if (bytes) {
                std::optional<std::string> kept = KeptFormats::normalised(format.offered, format.keptAs, std::move(*bytes));
                if (kept) {
                    reading_.kept.push_back({format.keptAs, std::move(*kept)});
                    reading_.keptAtUs.push_back(g_get_monotonic_time());
                }
            }
            readNext();
        });
}

void WaylandPasteboard::receive(const std::string& mimeType, size_t limit)
{
    const int fd = requestPipe(mimeType);
    if (fd < 0) {
        readNext();
        return;
    }
    const bool picture = mimeType.starts_with("image/");
    reader_ = std::make_unique<wayland::PipeReader>(
        fd, limit, readTimeoutMs, [this, picture](std::optional<std::string> bytes) {
            if (picture)
                reading_.content.picture = std::move(bytes);
            else
                reading_.content.text = std::move(bytes);
            // The reader is done; it goes on the next read or at the next selection.
            readNext();
        });
}

void WaylandPasteboard::offerOwn(OwnOffer offer, ClipboardContent content)
{
    static const SourceListener listener{onSend, onCancelled};
    destroyProxy(ownSource_, EXT_DATA_CONTROL_SOURCE_V1_DESTROY);
    ownSource_ = wl_proxy_marshal_flags(manager_, EXT_DATA_CONTROL_MANAGER_V1_CREATE_DATA_SOURCE,
                                        &interfaces_.source, wl_proxy_get_version(manager_), 0, nullptr);
    listen(ownSource_, listener, this);
    offer[state_.ownMarker()] = std::make_shared<const std::string>();
    for (const auto& [mimeType, bytes] : offer)
        wl_proxy_marshal_flags(ownSource_, EXT_DATA_CONTROL_SOURCE_V1_OFFER, nullptr, wl_proxy_get_version(ownSource_),
                               0, mimeType.c_str());
    if (device_)
        wl_proxy_marshal_flags(device_, EXT_DATA_CONTROL_DEVICE_V1_SET_SELECTION, nullptr,
                               wl_proxy_get_version(device_), 0, ownSource_);
    connection_.flush();
    ownOffer_ = std::move(offer);
    content.mimeTypes.push_back(state_.ownMarker());
    state_.wroteOwn(std::move(content));
}

void WaylandPasteboard::onSend(void* data, wl_proxy* source, const char* mimeType, int32_t fd)
{
    auto* self = static_cast<WaylandPasteboard*>(data);
    const auto found = source == self->ownSource_ && mimeType ? self->ownOffer_.find(mimeType) : self->ownOffer_.end();
    if (found == self->ownOffer_.end()) {
        close(fd);
        return;
    }
    auto& writers = self->writers_;
    auto slot = writers.emplace(writers.end());
    *slot = std::make_unique<wayland::PipeWriter>(fd, found->second, writeTimeoutMs,
                                                  [&writers, slot] { writers.erase(slot); });
}

void WaylandPasteboard::onCancelled(void* data, wl_proxy* source)
{
    // Another program took the clipboard; writes already started run to their end.
    auto* self = static_cast<WaylandPasteboard*>(data);
    if (source == self->ownSource_) {
        self->ownSource_ = nullptr;
        self->ownOffer_.clear();
    }
    destroyProxy(source, EXT_DATA_CONTROL_SOURCE_V1_DESTROY);
}

void WaylandPasteboard::scheduleTick()
{
    // The tick runs from the main loop, never from inside the dispatch of Wayland events.
    if (watch_.onMaybeChanged && !tickSource_)
        tickSource_ = g_idle_add(onIdleTick, this);
}

gboolean WaylandPasteboard::onIdleTick(gpointer data)
{
    auto* self = static_cast<WaylandPasteboard*>(data);
    self->tickSource_ = 0;
    if (self->watch_.onMaybeChanged)
        self->watch_.onMaybeChanged();
    return G_SOURCE_REMOVE;
}

void WaylandPasteboard::connectionLost()
{
    // Reads and writes in flight belong to a connection that is gone; the tick tells the page
    // that copies are no longer recorded.
    connected_ = false;
    handOverLateFormats();
    reader_.reset();
    writers_.clear();
    g_warning("Brimble: the clipboard can no longer be watched; copies are not recorded until Brimble starts again");
    scheduleTick();
}

} // namespace brimble
