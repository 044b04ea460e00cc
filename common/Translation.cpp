#include "common/Translation.h"

#include <cstdarg>

namespace brimble {

std::string formatText(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    g_autofree gchar* text = g_strdup_vprintf(format, arguments);
    va_end(arguments);
    return text ? std::string(text) : std::string();
}

} // namespace brimble
