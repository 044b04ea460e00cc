#pragma once

#include <array>
#include <string_view>

namespace brimble {

// Every text of the About window.

inline constexpr std::string_view aboutWindowTitle = "About Brimble";
inline constexpr std::string_view productName = "Brimble";
inline constexpr std::string_view tagline = "Every copy you've made, gathered and ready to paste.";
inline constexpr std::string_view otherAppsLabel = "Try our other apps";
inline constexpr std::string_view otherAppsSiteName = "zorvane.example";
// The address of the maker's page that lists its other applications.
inline constexpr std::string_view otherAppsPageURL = "https://zorvane.example/apps";
// The link row's accessible name: its text and the site it opens.
inline constexpr std::string_view otherAppsAccessibleName = "Try our other apps on zorvane.example";
inline constexpr std::string_view creditLine = "Made by Zorvane, with Wugo";
inline constexpr std::string_view hoardersLine = "for the copy-paste hoarders.";
inline constexpr std::string_view makerSlogan = "Zorvane: small apps with a firm grip.";
inline constexpr std::string_view clickHint = "psst — click Wugo some times";
inline constexpr std::string_view okButtonLabel = "OK";

// The mascot's tooltip, its accessible name, and the large About mascot's own accessible name.
inline constexpr std::string_view wugoTooltip = "Wugo";
inline constexpr std::string_view wugoAccessibleName = "Wugo — click him";
inline constexpr std::string_view aboutMascotAccessibleName = "Brimble — click Wugo";

// The shout, word by word; the last is the single emoji U+1F624.
inline constexpr std::array<std::string_view, 4> shoutWords{"LEAVE,", "ME,", "ALONE!", "\U0001F624"};

// Shown one per completed shout, in this order, starting again after the last.
inline constexpr std::array<std::string_view, 4> funFacts{
    "Fun fact: Zorvane drew the very first Wugo on the back of a coffee receipt.",
    "Fun fact: Zorvane presses copy about four hundred times a day. Brimble remembers them all.",
    "Fun fact: Every Zorvane app hides at least one octopus somewhere.",
    "Fun fact: Wugo is older than every app he appears in.",
};

} // namespace brimble
