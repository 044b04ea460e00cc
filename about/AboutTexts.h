#pragma once

#include <array>
#include <string_view>

#include "common/Translation.h"

namespace brimble {

// Every text of the About window. Those to translate are marked with N_() and looked up with tr()
// where they are shown; names (the product, the mascot, the site) stay as they are.

inline constexpr std::string_view aboutWindowTitle = N_("About Brimble");
inline constexpr std::string_view productName = "Brimble";
inline constexpr std::string_view tagline = N_("Every copy you've made, gathered and ready to paste.");
inline constexpr std::string_view otherAppsLabel = N_("Try our other apps");
inline constexpr std::string_view otherAppsSiteName = "zorvane.example";
// The address of the maker's page that lists its other applications.
inline constexpr std::string_view otherAppsPageURL = "https://zorvane.example/apps";
// The link row's accessible name: its text and the site it opens.
inline constexpr std::string_view otherAppsAccessibleName = N_("Try our other apps on zorvane.example");
inline constexpr std::string_view creditLine = N_("Made by Zorvane, with Wugo");
inline constexpr std::string_view hoardersLine = N_("for the copy-paste hoarders.");
inline constexpr std::string_view makerSlogan = N_("Zorvane: small apps with a firm grip.");
inline constexpr std::string_view clickHint = N_("psst — click Wugo some times");
inline constexpr std::string_view okButtonLabel = N_("OK");

// The mascot's tooltip, its accessible name, and the large About mascot's own accessible name.
inline constexpr std::string_view wugoTooltip = "Wugo";
inline constexpr std::string_view wugoAccessibleName = N_("Wugo — click him");
inline constexpr std::string_view aboutMascotAccessibleName = N_("Brimble — click Wugo");

// The shout, word by word; the last is the single emoji U+1F624.
// TRANSLATORS: the mascot shouts "LEAVE, ME, ALONE!" one word at a time; translate the three words as
// three shouted words of your language, each with its punctuation.
inline constexpr std::array<std::string_view, 4> shoutWords{N_("LEAVE,"), N_("ME,"), N_("ALONE!"), "\U0001F624"};

// Shown one per completed shout, in this order, starting again after the last.
inline constexpr std::array<std::string_view, 4> funFacts{
    N_("Fun fact: Zorvane drew the very first Wugo on the back of a coffee receipt."),
    N_("Fun fact: Zorvane presses copy about four hundred times a day. Brimble remembers them all."),
    N_("Fun fact: Every Zorvane app hides at least one octopus somewhere."),
    N_("Fun fact: Wugo is older than every app he appears in."),
};

} // namespace brimble
