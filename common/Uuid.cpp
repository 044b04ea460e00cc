#include "common/Uuid.h"

#include <glib.h>

namespace brimble {

std::string newUuid()
{
    g_autofree char* random = g_uuid_string_random();
    g_autofree char* upper = g_ascii_strup(random, -1);
    return upper;
}

} // namespace brimble
