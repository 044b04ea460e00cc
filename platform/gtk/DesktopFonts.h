#pragma once

#include <string>

#include <webkit2/webkit2.h>

namespace brimble {

// The family of a font name as the desktop writes it ("Cantarell 11", "Noto Sans Bold 10"), the
// first one of a list; empty for no name.
std::string fontFamilyOf(const char* fontName);

// Makes the page's generic sans-serif font the desktop's interface font (GTK's "gtk-font-name"),
// so that the page can ask for one family by its generic name and still look like the desktop.
void useDesktopFonts(WebKitSettings* settings);

} // namespace brimble
