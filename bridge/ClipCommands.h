#pragma once

#include <string_view>

namespace brimble {

class CommandTarget;

// The page's message channel.
inline constexpr std::string_view clipChannel = "pr2Clip";

// A message from the page: only `clipChannel`, only a JSON object body; runs one command.
void receiveScriptMessage(CommandTarget& target, std::string_view channel, std::string_view bodyJson);

} // namespace brimble
