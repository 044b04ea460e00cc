#include "platform/gtk/SystemClock.h"

#include <glib.h>

namespace brimble {

double SystemClock::now()
{
    return static_cast<double>(g_get_real_time()) / G_USEC_PER_SEC;
}

} // namespace brimble
