#include "platform/gtk/Translations.h"

#include <array>
#include <clocale>
#include <system_error>

#include "common/Translation.h"

namespace brimble {

std::filesystem::path findLocaleFolder()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty())
        return {};
    const std::filesystem::path folder = program.parent_path();
    const std::array candidates{folder / "locale", folder.parent_path() / "share" / "locale"};
    for (const std::filesystem::path& candidate : candidates) {
        if (std::filesystem::is_directory(candidate, error))
            return candidate;
    }
    return {};
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
