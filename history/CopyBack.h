#pragma once

#include <cstdint>
#include <string>

namespace brimble {

class ClipboardStore;
class ImageCodec;
class Pasteboard;

// Puts the entry back on the clipboard (its picture, or else its text), takes the new change
// count so the next tick records nothing, and moves the entry to the front with time `now`.
void copyToPasteboard(ClipboardStore& store, Pasteboard& pasteboard, ImageCodec& codec,
                      const std::string& id, double now, int64_t& clipLastChange);

} // namespace brimble
