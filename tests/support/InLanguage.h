#pragma once

#include <clocale>
#include <string>

#include <glib.h>

#include "common/Translation.h"

namespace brimble::test {

// Runs the rest of a scope in `language`, with Brimble's catalogues from `localeDir`, as a desktop
// with LANGUAGE set does; the C locale and English come back at the end of the scope. C.UTF-8 is
// the one UTF-8 locale every system has, and gettext honours LANGUAGE under it.
class InLanguage {
public:
    InLanguage(const char* language, const char* localeDir)
    {
        g_setenv("LANGUAGE", language, TRUE);
        std::setlocale(LC_ALL, "C.UTF-8");
        bindtextdomain(translationDomain, localeDir);
        bind_textdomain_codeset(translationDomain, "UTF-8");
        textdomain(translationDomain);
    }
    InLanguage(const InLanguage&) = delete;
    InLanguage& operator=(const InLanguage&) = delete;
    ~InLanguage()
    {
        g_unsetenv("LANGUAGE");
        std::setlocale(LC_ALL, "C");
    }
};

} // namespace brimble::test
