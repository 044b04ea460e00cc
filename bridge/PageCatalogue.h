#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace brimble {

// The page's catalogues are JSON files made at build time from the same .po files as the
// program's: "<resources>/i18n/<language>.json", for example "pt_BR.json". The page asks for
// "vellumo://clipboard/i18n/catalogue.json" and gets the one chosen here at start.

// The folder of the page's catalogues inside the resources folder.
std::filesystem::path pageCataloguesFolder(const std::filesystem::path& resourcesDir);

// The desktop's languages in the order gettext tries them (LANGUAGE, then LC_ALL, LC_MESSAGES,
// LANG, each also without its territory), ending with "C". Only "C" while the messages locale is
// the C locale, in which gettext ignores LANGUAGE.
std::vector<std::string> desktopLanguageNames();

// The catalogue for the first of `languageNames` that has one in `folder`, as gettext picks the
// program's: names without a catalogue are passed over, and "C" or "POSIX" ends the search with
// English. Empty means English, the source language, which needs no catalogue.
std::filesystem::path choosePageCatalogue(const std::vector<std::string>& languageNames,
                                          const std::filesystem::path& folder);

// The catalogue served while English is chosen: no messages, English plurals, left to right.
std::string_view englishPageCatalogue();

} // namespace brimble
