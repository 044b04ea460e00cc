#include "platform/gtk/PropertyValue.h"

#include <cstring>
#include <limits>

namespace brimble {

size_t propertyByteLength(int format, unsigned long items)
{
    const size_t itemSize = format == 32 ? sizeof(long) : format == 16 ? sizeof(short) : format == 8 ? 1 : 0;
    if (itemSize == 0 || items > std::numeric_limits<size_t>::max() / itemSize)
        return 0;
    return items * itemSize;
}

std::optional<unsigned long> incrementalSizeHint(int format, unsigned long items, const unsigned char* data)
{
    if (format != 32 || items < 1 || !data)
        return std::nullopt;
    unsigned long size = 0;
    std::memcpy(&size, data, sizeof size);
    return size;
}

} // namespace brimble
