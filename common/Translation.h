#pragma once

#include <string>
#include <string_view>

#include <glib/gi18n.h>

namespace brimble {

// The gettext domain of every text the program shows: the name of its catalogues,
// "<locale folder>/<language>/LC_MESSAGES/brimble.mo".
inline constexpr const char* translationDomain = "brimble";

// `message` in the user's language, or `message` itself where the catalogue has no translation.
// Texts kept in constants are marked with N_() where they are written, so that xgettext finds
// them, and looked up here where they are shown. `message` must view a whole string literal:
// gettext reads up to its terminating NUL.
inline const char* tr(std::string_view message)
{
    return gettext(message.data());
}

// printf for translated formats, whose arguments the compiler still checks against the English
// format.
std::string formatText(const char* format, ...) G_GNUC_PRINTF(1, 2);

} // namespace brimble
