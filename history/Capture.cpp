#include "history/Capture.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include <glib.h>
#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include "settings/Settings.h"
#include "history/ClipPrivacy.h"
#include "history/ClipboardStore.h"
#include "history/FormatFiles.h"
#include "history/ImageFiles.h"
#include "common/UnicodeText.h"
#include "common/Uuid.h"
#include "platform/Clock.h"
#include "platform/Defaults.h"
#include "platform/FrontmostApp.h"
#include "platform/Pasteboard.h"

namespace brimble {

namespace {

const std::set<std::string>& imageTypes()
{
    static const std::set<std::string> types = {"public.png", "public.jpeg", "public.tiff"};
    return types;
}

bool offersImage(const std::set<std::string>& types)
{
    return std::any_of(types.begin(), types.end(),
                       [](const std::string& type) { return imageTypes().contains(type); });
}

// Whether a plain text is on offer, under any of its names on X11 or Wayland.
bool offersPlainText(const std::set<std::string>& types)
{
    static const std::set<std::string> names = {"public.utf8-plain-text", "UTF8_STRING", "COMPOUND_TEXT", "STRING",
                                                "TEXT", "text/plain"};
    return std::any_of(types.begin(), types.end(), [](const std::string& type) {
        return names.contains(type) || type.starts_with("text/plain;");
    });
}

// The text of a copy of files that offered none: their paths, one a line.
std::optional<std::string> textOfFiles(const std::vector<ExtraFormat>& formats)
{
    for (std::string_view type : {KeptFormats::uriList, KeptFormats::gnomeFiles}) {
        auto found = std::find_if(formats.begin(), formats.end(),
                                  [&](const ExtraFormat& format) { return format.type == type; });
        if (found == formats.end())
            continue;
        std::string text;
        for (const std::string& file : KeptFormats::filesOfUriList(found->bytes)) {
            if (!text.empty())
                text += '\n';
            text += file;
        }
        if (!text.empty())
            return text;
    }
    return std::nullopt;
}

// Decimal text of a nominal size, truncated toward zero. The platform never reports a size
// that is not finite; such a value would read as 0 rather than fail the whole picture.
std::string sizeNumber(double value)
{
    if (!std::isfinite(value))
        return "0";
    constexpr double limit = 9.0e18;
    const double clamped = std::clamp(value, -limit, limit);
    return std::to_string(static_cast<long long>(clamped));
}

// Extended grapheme clusters in `utf8`, counting no further than `stopAfter`.
size_t countGraphemes(const std::string& utf8, size_t stopAfter)
{
    UErrorCode status = U_ZERO_ERROR;
    UText* text = utext_openUTF8(nullptr, utf8.data(), static_cast<int64_t>(utf8.size()), &status);
    std::unique_ptr<icu::BreakIterator> clusters(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    size_t count = 0;
    if (U_SUCCESS(status) && clusters) {
        clusters->setText(text, status);
        clusters->first();
        while (count <= stopAfter && clusters->next() != icu::BreakIterator::DONE)
            ++count;
    }
    utext_close(text);
    // Should ICU fail, the byte length stands in: it is never below the true count, so an
    // over-long text is still refused.
    if (U_FAILURE(status))
        return utf8.size();
    return count;
}

// Whether the text may be recorded by length. Every cluster takes at least one byte, so texts
// of at most the limit in bytes need no counting.
bool withinTextLimit(const std::string& utf8)
{
    if (utf8.size() > maxTextBytes)
        return false;
    if (utf8.size() <= maxTextGraphemes)
        return true;
    return countGraphemes(utf8, maxTextGraphemes) <= maxTextGraphemes;
}

// Takes the entry at `index` out, gives it the new time and puts it at the front.
void moveToFront(std::vector<Clip>& items, size_t index, double ts)
{
    items[index].ts = ts;
    std::rotate(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(index),
                items.begin() + static_cast<std::ptrdiff_t>(index) + 1);
}

// Notes the entry a copy became, or that it was not recorded.
void noteOutcome(LastCapture& lastCapture, std::optional<std::string> clipId, int64_t formatsChange = 0)
{
    lastCapture.outcome = clipId ? CaptureOutcome::Recorded : CaptureOutcome::Skipped;
    lastCapture.formatsChange = clipId ? formatsChange : 0;
    lastCapture.clipId = clipId.value_or(std::string());
}

// Moves the picture entry with file digest `sig` in the session to the front, as a repeated copy
// of it does; nothing when there is none (it was deleted since).
std::optional<std::string> moveKnownPicture(ClipboardStore& store, const std::string& sig, double ts,
                                            const std::string& sessionId)
{
    auto& items = store.items;
    auto found = std::find_if(items.begin(), items.end(), [&](const Clip& clip) {
        return clip.kind == "image" && clip.sig == sig && store.isShownIn(clip, sessionId);
    });
    if (found == items.end())
        return std::nullopt;
    std::string id = found->id;
    moveToFront(items, static_cast<size_t>(found - items.begin()), ts);
    items = pinnedFirst(std::move(items));
    store.applyHistoryLimit();
    store.pruneImages();
    store.save();
    return id;
}

// Tries the picture on offer; nothing when there is none to record, so the text is taken.
std::optional<PushNeeded> capturePicture(CaptureServices& services, ClipboardStore& store,
                                         const std::set<std::string>& types, LastCapture& lastCapture,
                                         const std::function<std::string()>& currentSessionId)
{
    // The format word of the label and the encoding are chosen apart: a copy offering JPEG and
    // PNG is labelled "JPEG" and stored as PNG, which loses nothing.
    const bool preferJPEG = types.contains("public.jpeg") && !types.contains("public.png");
    std::optional<std::string> digest = services.pasteboard.pictureDigest();
    if (digest)
        *digest += preferJPEG ? " jpg" : " png";
    LastPicture* last = services.lastPicture;
    if (digest && last && last->sourceDigest == *digest) {
        std::optional<std::string> id = moveKnownPicture(store, last->sig, services.clock.now(), currentSessionId());
        if (id) {
            noteOutcome(lastCapture, std::move(id));
            return PushNeeded::Yes;
        }
    }
    std::unique_ptr<PlatformImage> image = services.pasteboard.image();
    if (!image)
        return std::nullopt;
    std::optional<EncodedImage> encoded = encodeImage(
        services.codec, *image, preferJPEG ? ImageFormat::Jpeg : ImageFormat::Png, maxImageSide);
    if (!encoded)
        return PushNeeded::No;
    const std::string label = imageLabel(types, image->nominalWidth(), image->nominalHeight());
    // A browser's copied image keeps the HTML it came with.
    const bool formatsFollow = services.pasteboard.formatsPending();
    std::optional<std::string> id = store.addImage(encoded->bytes, encoded->extension, label, services.clock.now(),
                                                   currentSessionId(), services.pasteboard.extraFormats(),
                                                   formatsFollow);
    if (id && digest && last)
        *last = LastPicture{std::move(*digest), sha256Hex(encoded->bytes)};
    noteOutcome(lastCapture, std::move(id), formatsFollow ? services.pasteboard.changeCount() : 0);
    // The page is refreshed even when the picture could not be written.
    return PushNeeded::Yes;
}

PushNeeded captureText(CaptureServices& services, ClipboardStore& store, LastCapture& lastCapture,
                       const std::function<std::string()>& currentSessionId)
{
    const std::vector<ExtraFormat>& formats = services.pasteboard.extraFormats();
    std::optional<std::string> text = services.pasteboard.text();
    if (!text)
        text = textOfFiles(formats);
    // The history file holds valid UTF-8 only; a text that is not could not be read back.
    if (!text || !g_utf8_validate_len(text->data(), text->size(), nullptr))
        return PushNeeded::No;
    if (isBlankText(*text) || !withinTextLimit(*text))
        return PushNeeded::No;
    const bool formatsFollow = services.pasteboard.formatsPending();
    noteOutcome(lastCapture,
                store.addText(std::move(*text), services.clock.now(), currentSessionId(), formats, formatsFollow),
                formatsFollow ? services.pasteboard.changeCount() : 0);
    return PushNeeded::Yes;
}

} // namespace

PushNeeded pollPasteboard(CaptureServices& services, ClipboardStore& store, int64_t& clipLastChange,
                          LastCapture& lastCapture, const std::function<std::string()>& currentSessionId)
{
    const int64_t count = services.pasteboard.changeCount();
    if (count == clipLastChange)
        return PushNeeded::No;
    // The change is consumed before anything else: a copy made while paused, or one that is
    // filtered out, is never picked up by a later tick.
    const int64_t previous = std::exchange(clipLastChange, count);
    // An ownerless clipboard offers nothing to record; what its owner left behind is judged by
    // what was seen before. When the counter moved more than once, a copy came and went between
    // two ticks unseen (a password manager may copy and clear at once), so nothing is known.
    if (services.pasteboard.isOwnerless()) {
        if (count - previous != 1)
            lastCapture = LastCapture{CaptureOutcome::Skipped, {}, false};
        return PushNeeded::No;
    }
    // Skipped until it is recorded, so every early return below leaves nothing to keep alive.
    lastCapture = LastCapture{CaptureOutcome::Skipped, {}, false};
    if (boolSetting(services.defaults, Def::clipboardPaused, false))
        return PushNeeded::No;

    const std::set<std::string> types = services.pasteboard.types();
    const bool recordSecrets = boolSetting(services.defaults, Def::recordSecrets, false);
    // Types listed only in part may hide a marker: such a copy counts as marked, is never put
    // back by the keep-alive, and is recorded only when secrets are recorded anyway.
    const bool typesComplete = services.pasteboard.typesComplete();
    lastCapture.markedSecret = ClipPrivacy::isMarkedSecret(types) || !typesComplete;
    if (!typesComplete && !recordSecrets)
        return PushNeeded::No;
    // The application in front when the copy was made: a read may end after the user has
    // switched to another one.
    const std::vector<std::string> frontmost =
        services.frontmostAtCopy ? *services.frontmostAtCopy : services.frontmost.identifiers();
    if (ClipPrivacy::skipReason(types, frontmost, excludedAppsSetting(services.defaults), recordSecrets))
        return PushNeeded::No;

    // An image type with no picture behind it falls back to the text on offer. A picture beside
    // a plain text is not the copy (an office program offers one of its selected text).
    if (offersImage(types) && !offersPlainText(types)) {
        if (std::optional<PushNeeded> done = capturePicture(services, store, types, lastCapture, currentSessionId))
            return *done;
    }
    return captureText(services, store, lastCapture, currentSessionId);
}

PushNeeded attachLateFormats(Pasteboard& pasteboard, ClipboardStore& store, LastCapture& lastCapture)
{
    std::optional<LateFormats> late = pasteboard.takeLateFormats();
    if (!late)
        return PushNeeded::No;
    // Whatever came, the read is over: the entry it was for no longer waits.
    store.stopAwaitingFormats();
    if (lastCapture.outcome != CaptureOutcome::Recorded || late->change != lastCapture.formatsChange)
        return PushNeeded::No;
    lastCapture.formatsChange = 0;
    return store.attachFormats(lastCapture.clipId, late->formats) ? PushNeeded::Yes : PushNeeded::No;
}

std::string imageLabel(const std::set<std::string>& types, double width, double height)
{
    const char* format = types.contains("public.jpeg") ? "JPEG"
        : types.contains("public.png")                   ? "PNG"
                                                         : "Image";
    return std::string(format) + " \u00B7 " + sizeNumber(width) + "\u00D7" + sizeNumber(height);
}

size_t graphemeCount(const std::string& utf8)
{
    return countGraphemes(utf8, std::numeric_limits<size_t>::max() - 1);
}

bool isBlankText(const std::string& utf8)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto size = static_cast<int32_t>(std::min<size_t>(utf8.size(), INT32_MAX));
    int32_t offset = 0;
    while (offset < size) {
        UChar32 c;
        U8_NEXT(bytes, offset, size, c);
        // White_Space is the general categories Z* plus the controls tab to carriage return
        // and U+0085: the white space and line breaks that trimming removes.
        if (c < 0 || !u_isUWhiteSpace(c))
            return false;
    }
    return true;
}

std::string ClipboardStore::addText(std::string text, double ts, const std::string& sessionId,
                                    const std::vector<ExtraFormat>& formats, bool formatsFollow)
{
    const CanonicalMatcher sameText(text);
    // Only text entries match: a picture's label such as "PNG · 640×480" is not its content,
    // and taking a copied text for that picture would lose the text and, once its owner quits,
    // put the picture back on the clipboard in its place.
    auto found = std::find_if(items.begin(), items.end(), [&](const Clip& clip) {
        return clip.kind == "text" && isShownIn(clip, sessionId) && sameText.matches(clip.text);
    });
    std::string id;
    if (found != items.end()) {
        id = found->id;
        // The newest copy's formats are the ones a paste of it should give; while they are
        // still on their way the earlier ones, of the same text, stand in.
        if (!formatsFollow)
            found->formats = storeFormats(dataHome_, formats, &unsyncedFormats_);
        moveToFront(items, static_cast<size_t>(found - items.begin()), ts);
    } else {
        Clip clip;
        clip.id = newUuid();
        clip.ts = ts;
        clip.text = std::move(text);
        clip.kind = "text";
        clip.sessionId = sessionId;
        clip.formats = storeFormats(dataHome_, formats, &unsyncedFormats_);
        id = clip.id;
        items.insert(items.begin(), std::move(clip));
    }
    awaitingFormats_ = formatsFollow ? std::optional<std::string>(id) : std::nullopt;
    items = pinnedFirst(std::move(items));
    applyHistoryLimit();
    pruneImages();
    save();
    return id;
}

std::optional<std::string> ClipboardStore::addImage(std::span<const uint8_t> bytes, const std::string& ext,
                                                    const std::string& label, double ts,
                                                    const std::string& sessionId,
                                                    const std::vector<ExtraFormat>& formats, bool formatsFollow)
{
    const std::string sig = sha256Hex(bytes);
    auto found = std::find_if(items.begin(), items.end(), [&](const Clip& clip) {
        return clip.kind == "image" && clip.sig == sig && isShownIn(clip, sessionId);
    });
    std::string id;
    if (found != items.end()) {
        // The same picture again: its file and label stay, nothing is written; a placeholder
        // waiting for this picture from another machine gets it now.
        if (awaitsPicture(*found))
            if (std::optional<std::string> name = writeImage(dataHome_, bytes, ext))
                found->imgFile = std::move(*name);
        id = found->id;
        if (!formatsFollow)
            found->formats = storeFormats(dataHome_, formats, &unsyncedFormats_);
        moveToFront(items, static_cast<size_t>(found - items.begin()), ts);
    } else {
        std::optional<std::string> name = writeImage(dataHome_, bytes, ext);
        if (!name)
            return std::nullopt;
        Clip clip;
        clip.id = newUuid();
        clip.ts = ts;
        clip.text = label;
        clip.kind = "image";
        clip.imgFile = std::move(*name);
        clip.sig = sig;
        clip.sessionId = sessionId;
        clip.formats = storeFormats(dataHome_, formats, &unsyncedFormats_);
        id = clip.id;
        items.insert(items.begin(), std::move(clip));
    }
    awaitingFormats_ = formatsFollow ? std::optional<std::string>(id) : std::nullopt;
    items = pinnedFirst(std::move(items));
    applyHistoryLimit();
    pruneImages();
    save();
    return id;
}

bool ClipboardStore::attachFormats(const std::string& id, const std::vector<ExtraFormat>& formats)
{
    // A read that ended with nothing whole leaves the entry as it is: a copy made again keeps
    // the formats its earlier copy had.
    if (formats.empty())
        return false;
    auto found = std::find_if(items.begin(), items.end(), [&](const Clip& clip) { return clip.id == id; });
    if (found == items.end())
        return false;
    found->formats = storeFormats(dataHome_, formats, &unsyncedFormats_);
    pruneImages();
    save();
    return true;
}

void ClipboardStore::applyHistoryLimit()
{
    const auto limit = static_cast<size_t>(historyLimitSetting(defaults_));
    std::vector<Clip> kept;
    kept.reserve(items.size());
    for (Clip& clip : items)
        if (clip.pinned)
            kept.push_back(std::move(clip));
    // Pinned entries neither count nor go; the newest unpinned ones are at the front.
    size_t unpinned = 0;
    for (Clip& clip : items) {
        if (clip.pinned)
            continue;
        if (unpinned++ < limit)
            kept.push_back(std::move(clip));
        else if (limitedOut)
            limitedOut(clip.id);
    }
    items = std::move(kept);
}

} // namespace brimble
