#include "bridge/PageCatalogue.h"

#include <clocale>
#include <cstring>
#include <system_error>

#include <glib.h>

namespace brimble {

std::filesystem::path pageCataloguesFolder(const std::filesystem::path& resourcesDir)
{
    return resourcesDir.empty() ? std::filesystem::path() : resourcesDir / "i18n";
}

std::vector<std::string> desktopLanguageNames()
{
    // gettext translates nothing while the messages locale is the plain C one (unset, or set to a
    // locale the system lacks), whatever LANGUAGE says; the page follows, so that it never speaks
    // another language than the menus.
    const char* messagesLocale = std::setlocale(LC_MESSAGES, nullptr);
    if (!messagesLocale || std::strcmp(messagesLocale, "C") == 0 || std::strcmp(messagesLocale, "POSIX") == 0)
        return {"C"};
    std::vector<std::string> names;
    for (const gchar* const* name = g_get_language_names_with_category("LC_MESSAGES"); *name; ++name)
        names.emplace_back(*name);
    return names;
}

namespace {

// A language name is used as a file name, so only the characters of locale names pass:
// "sr@latin" and "pt_BR" do, "../x" and "de.UTF-8" (whose bare form comes later) do not.
bool isPlainLanguageName(const std::string& name)
{
    if (name.empty() || name.size() > 32)
        return false;
    for (const char c : name) {
        if (!g_ascii_isalnum(c) && c != '_' && c != '@' && c != '-')
            return false;
    }
    return true;
}

} // namespace

std::filesystem::path choosePageCatalogue(const std::vector<std::string>& languageNames,
                                          const std::filesystem::path& folder)
{
    if (folder.empty())
        return {};
    for (const std::string& name : languageNames) {
        if (name == "C" || name == "POSIX")
            return {};
        if (!isPlainLanguageName(name))
            continue;
        const std::filesystem::path candidate = folder / (name + ".json");
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error))
            return candidate;
    }
    return {};
}

std::string_view englishPageCatalogue()
{
    return R"({"language":"en","dir":"ltr","plural":["one","other"],"messages":{}})";
}

} // namespace brimble
