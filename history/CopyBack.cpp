#include "history/CopyBack.h"

#include "history/AppSupport.h"
#include "common/AtomicFile.h"
#include "history/ClipboardStore.h"
#include "history/FormatFiles.h"
#include "platform/ImageCodec.h"
#include "platform/Pasteboard.h"

namespace brimble {

namespace {

// The entry's picture as the platform holds it, or nothing when its file is gone or no picture.
std::unique_ptr<PlatformImage> loadPicture(const ClipboardStore& store, ImageCodec& codec, const Clip& clip)
{
    if (clip.kind != "image" || !clip.imgFile)
        return nullptr;
    const std::optional<std::string> bytes =
        readWholeFile(AppSupport::imagesFolder(store.dataHome()) / *clip.imgFile);
    if (!bytes)
        return nullptr;
    // Picture files are written as ".png" or ".jpg" and read back as what their name says.
    const std::string_view type = clip.imgFile->ends_with(".jpg") ? "image/jpeg" : "image/png";
    return codec.decode(std::span(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()), type);
}

} // namespace

void writeToPasteboard(const ClipboardStore& store, Pasteboard& pasteboard, ImageCodec& codec, const Clip& clip,
                       int64_t& clipLastChange, CopyAs as)
{
    // Cleared first, so the clipboard holds only what is written here.
    pasteboard.clear();
    ClipboardWrite content;
    std::unique_ptr<PlatformImage> picture = loadPicture(store, codec, clip);
    if (picture)
        content.image = picture.get();
    else
        // A picture that cannot be read is replaced by its label, such as "PNG · 640×480".
        content.text = clip.text.str();
    // A format whose file is gone or was tampered with is left out; the rest still go.
    if (as == CopyAs::Copied && (picture || clip.kind == "text"))
        content.formats = loadFormats(store.dataHome(), clip);
    pasteboard.write(content);

    // Our own write is taken as seen, so the next tick records nothing.
    clipLastChange = pasteboard.changeCount();
}

void writeTextToPasteboard(Pasteboard& pasteboard, const std::string& text, int64_t& clipLastChange,
                           const std::vector<ExtraFormat>& formats)
{
    pasteboard.clear();
    pasteboard.write(ClipboardWrite{text, nullptr, formats});
    clipLastChange = pasteboard.changeCount();
}

void copyToPasteboard(ClipboardStore& store, Pasteboard& pasteboard, ImageCodec& codec,
                      const std::string& id, double now, int64_t& clipLastChange, CopyAs as)
{
    const std::optional<Clip> clip = store.find(id);
    // A picture still on its way from another machine has nothing to give: the clipboard keeps
    // what it holds rather than the picture's label, and the entry stays where it is.
    if (!clip || awaitsPicture(*clip))
        return;
    writeToPasteboard(store, pasteboard, codec, *clip, clipLastChange, as);
    store.touch(id, now);
}

} // namespace brimble
