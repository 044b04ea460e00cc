#include "history/KeepAlive.h"

#include "settings/Settings.h"
#include "history/Capture.h"
#include "history/ClipboardStore.h"
#include "history/CopyBack.h"
#include "platform/Pasteboard.h"

namespace brimble {

namespace {

// The entry of the session captured or copied back last: the one the clipboard held. Pinned
// entries lead the list whatever their time, so the list's first entry is not necessarily it.
const Clip* newestOfSession(const ClipboardStore& store, const std::string& sessionId)
{
    const Clip* newest = nullptr;
    for (const Clip& clip : store.items) {
        if (store.isShownIn(clip, sessionId) && (!newest || clip.ts > newest->ts))
            newest = &clip;
    }
    return newest;
}

} // namespace

KeptAlive keepClipboardAlive(const ClipboardStore& store, Pasteboard& pasteboard, ImageCodec& codec,
                             const Defaults& defaults, const std::string& sessionId,
                             const LastCapture& lastCapture, int64_t& clipLastChange)
{
    if (boolSetting(defaults, Def::clipboardPaused, false) || !pasteboard.isOwnerless())
        return KeptAlive::No;
    // A change that capture has not judged yet came after the emptying that scheduled this
    // (another copy that came and went, unread): what the clipboard last held is unknown.
    if (pasteboard.changeCount() != clipLastChange)
        return KeptAlive::No;
    if (lastCapture.outcome != CaptureOutcome::Recorded || lastCapture.markedSecret)
        return KeptAlive::No;
    // The entry may have been deleted since, or a newer one copied back from the window.
    const Clip* newest = newestOfSession(store, sessionId);
    if (!newest || newest->id != lastCapture.clipId)
        return KeptAlive::No;
    writeToPasteboard(store, pasteboard, codec, *newest, clipLastChange);
    return KeptAlive::Yes;
}

} // namespace brimble
