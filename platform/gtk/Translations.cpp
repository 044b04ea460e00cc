#include "platform/gtk/Translations.h"

#include <clocale>

#include "common/Translation.h"
#include "platform/gtk/ResourcesFolder.h"

namespace brimble {

std::filesystem::path findLocaleFolder()
{
    return findBesideProgram("locale", std::filesystem::path("share") / "locale");
}

void setUpTranslations()
{
    std::setlocale(LC_ALL, "");
    // Without a folder of its own gettext looks in the system's, where an installed Brimble's
    // catalogues are anyway.
    if (const std::filesystem::path folder = findLocaleFolder(); !folder.empty())
        bindtextdomain(translationDomain, folder.c_str());
    bind_textdomain_codeset(translationDomain, "UTF-8");
    textdomain(translationDomain);
}

} // namespace brimble
