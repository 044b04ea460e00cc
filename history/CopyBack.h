#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/KeptFormats.h"

namespace brimble {

class ClipboardStore;
class ImageCodec;
class Pasteboard;
struct Clip;

// How an entry goes back on the clipboard: with every format it was copied with, or as its
// plain text (or picture) alone.
enum class CopyAs { Copied, Plain };

// Puts the entry on the clipboard (its picture, or else its text, and its kept formats) and takes the new change count
// so the next tick records nothing. The history is left as it is: order and times stay.
void writeToPasteboard(const ClipboardStore& store, Pasteboard& pasteboard, ImageCodec& codec, const Clip& clip,
                       int64_t& clipLastChange, CopyAs as = CopyAs::Copied);

// Puts plain text of the program's own on the clipboard and takes the new change count, so the
// next tick records nothing. The history is left as it is.
// Kept formats made with it (a joined HTML) go beside it.
void writeTextToPasteboard(Pasteboard& pasteboard, const std::string& text, int64_t& clipLastChange,
                           const std::vector<ExtraFormat>& formats = {});

// Puts the entry back on the clipboard (its picture, or else its text), takes the new change
// count so the next tick records nothing, and moves the entry to the front with time `now`.
void copyToPasteboard(ClipboardStore& store, Pasteboard& pasteboard, ImageCodec& codec,
                      const std::string& id, double now, int64_t& clipLastChange, CopyAs as = CopyAs::Copied);

} // namespace brimble
