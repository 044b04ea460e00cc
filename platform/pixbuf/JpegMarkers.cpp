#include "platform/pixbuf/JpegMarkers.h"

namespace brimble {

namespace {

constexpr uint8_t markerPrefix = 0xFF;
constexpr uint8_t startOfImage = 0xD8;
constexpr uint8_t endOfImage = 0xD9;
constexpr uint8_t startOfScan = 0xDA;
constexpr uint8_t temporary = 0x01;

bool isRestart(uint8_t marker)
{
    return marker >= 0xD0 && marker <= 0xD7;
}

// Inside entropy-coded data a 0xFF byte is followed by 0x00 (a stuffed data byte), a restart
// marker, or more 0xFF fill; anything else is the next segment's marker.
size_t endOfEntropyData(std::span<const uint8_t> bytes, size_t at)
{
    for (; at + 1 < bytes.size(); ++at) {
        const uint8_t next = bytes[at + 1];
        if (bytes[at] == markerPrefix && next != 0x00 && next != markerPrefix && !isRestart(next))
            return at;
    }
    return bytes.size();
}

} // namespace

bool jpegReachesEndOfImage(std::span<const uint8_t> bytes)
{
    if (bytes.size() < 4 || bytes[0] != markerPrefix || bytes[1] != startOfImage)
        return false;
    size_t at = 2;
    while (at + 1 < bytes.size()) {
        if (bytes[at] != markerPrefix)
            return false;
        const uint8_t marker = bytes[at + 1];
        if (marker == markerPrefix) {
            ++at; // fill byte before a marker
            continue;
        }
        if (marker == endOfImage)
            return true;
        if (marker == temporary || isRestart(marker)) {
            at += 2;
            continue;
        }
        if (at + 3 >= bytes.size())
            return false;
        const size_t length = static_cast<size_t>(bytes[at + 2]) << 8 | bytes[at + 3];
        if (length < 2)
            return false;
        at += 2 + length;
        if (marker == startOfScan)
            at = endOfEntropyData(bytes, at);
    }
    return false;
}

} // namespace brimble
