#include "platform/gtk/DesktopFonts.h"

#include <gtk/gtk.h>

namespace brimble {

std::string fontFamilyOf(const char* fontName)
{
    if (!fontName || !*fontName)
        return {};
    PangoFontDescription* description = pango_font_description_from_string(fontName);
    const char* family = pango_font_description_get_family(description);
    std::string first = family ? family : "";
    pango_font_description_free(description);
    first = first.substr(0, first.find(','));
    const size_t end = first.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : first.substr(0, end + 1);
}

void useDesktopFonts(WebKitSettings* settings)
{
    GtkSettings* desktop = gtk_settings_get_default();
    if (!desktop)
        return;
    g_autofree char* fontName = nullptr;
    g_object_get(desktop, "gtk-font-name", &fontName, nullptr);
    const std::string family = fontFamilyOf(fontName);
    if (family.empty())
        return;
    webkit_settings_set_sans_serif_font_family(settings, family.c_str());
    webkit_settings_set_default_font_family(settings, family.c_str());
}

} // namespace brimble
