#pragma once

#include <cstdint>
#include <string>

namespace brimble {

class ClipboardStore;
class Defaults;
class ImageCodec;
class Pasteboard;

enum class KeptAlive { No, Yes };

// On X11 the clipboard empties when the program that copied quits. When that has happened and
// recording is not paused, this puts the newest entry of the session back, the way it was: the
// entry keeps its place and time, and the write is taken as seen so it is not recorded again.
// Nothing happens while another program owns the clipboard or the session has no entry.
KeptAlive keepClipboardAlive(const ClipboardStore& store, Pasteboard& pasteboard, ImageCodec& codec,
                             const Defaults& defaults, const std::string& sessionId, int64_t& clipLastChange);

} // namespace brimble
