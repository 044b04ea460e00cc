#pragma once

#include <cstddef>
#include <optional>

namespace brimble {

// Checks on a window property as Xlib hands it over, apart from Xlib so that they are tested
// without a display. An owner chooses the format of what it sends (8, 16 or 32 bits an item);
// nothing here reads more memory than that format and count give.

// The bytes Xlib holds for `items` items of `format`: 32-bit items come as longs and 16-bit ones
// as shorts. 0 for a format that is none of the three.
size_t propertyByteLength(int format, unsigned long items);

// The size an INCR header announces (a lower bound of the data to come), or nothing when the
// header is not at least one 32-bit item: an owner may send a header of 8- or 16-bit items.
std::optional<unsigned long> incrementalSizeHint(int format, unsigned long items, const unsigned char* data);

} // namespace brimble
