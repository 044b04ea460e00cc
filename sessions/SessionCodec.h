#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sessions/Block.h"
#include "sessions/Session.h"

namespace brimble {

// "sessions.json": an array of {"id", "name", "createdAt"}. Every key is required with its JSON
// type; one element that falls short fails the whole document.
std::optional<std::vector<Session>> decodeSessions(std::string_view json);
// Compact JSON, or nothing when a time is not a finite number.
std::optional<std::string> encodeSessions(std::span<const Session> sessions);

// "blocks.json": an array of {"id", "name", "color", "pinned", "sessionId", "order"}, all
// required; "order" must be a whole number.
std::optional<std::vector<Block>> decodeBlocks(std::string_view json);
std::optional<std::string> encodeBlocks(std::span<const Block> blocks);

} // namespace brimble
