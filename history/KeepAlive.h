#pragma once

#include <cstdint>
#include <string>

namespace brimble {

class ClipboardStore;
class Defaults;
class ImageCodec;
class Pasteboard;
struct LastCapture;

enum class KeptAlive { No, Yes };

// On X11 the clipboard empties when the program that copied quits. When that has happened and
// recording is not paused, this puts back what was on it, the way it was: the entry keeps its
// place and time, and the write is taken as seen so it is not recorded again. Only a copy that
// `lastCapture` recorded, that is still the newest entry of the session and that carried no
// password marker goes back; password managers clear the clipboard by quitting or letting it
// go, and anything older was not on the clipboard when it emptied. Nothing happens while
// another program owns the clipboard, nor when the clipboard changed again since capture last
// looked (`clipLastChange` behind the counter): every change counts, read or not.
KeptAlive keepClipboardAlive(const ClipboardStore& store, Pasteboard& pasteboard, ImageCodec& codec,
                             const Defaults& defaults, const std::string& sessionId,
                             const LastCapture& lastCapture, int64_t& clipLastChange);

} // namespace brimble
