#pragma once

#include <cstdint>
#include <span>

namespace brimble {

// Whether JPEG data run from their start-of-image marker through every segment to an
// end-of-image marker. libjpeg treats data that stop early as a warning and fills the rest of the
// picture with grey, so a copy cut short would otherwise come out as a whole picture. The walk
// skips each marker segment by its length (an embedded thumbnail's end marker is not taken for
// the picture's own) and scans entropy-coded data for the next marker. Nothing is decoded.
bool jpegReachesEndOfImage(std::span<const uint8_t> bytes);

} // namespace brimble
