#pragma once

#include <filesystem>

namespace brimble {

// The folder of the program's compiled catalogues ("<language>/LC_MESSAGES/brimble.mo"), found as
// the resources folder is: "locale" beside the program in the build tree, or <prefix>/share/locale
// once installed. Empty when neither holds a catalogue.
std::filesystem::path findLocaleFolder();

// Takes the desktop's locale (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) and points gettext at Brimble's
// catalogues, so that every text looked up afterwards is in the user's language. Called once, first
// thing in `main`, before any text is built.
void setUpTranslations();

} // namespace brimble
