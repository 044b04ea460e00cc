#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/JsonText.h"
#include "sessions/Block.h"
#include "sessions/Session.h"

namespace brimble {

// "sessions.json": an array of {"id", "name", "createdAt"}, decoded session by session. "id" and
// "name" are required texts; a "createdAt" that is missing or not a number reads as 0, since a
// session is still whole without it. An element that falls short is left out and counted.
// Nothing when the text is not a JSON array.
std::optional<json::RecordList<Session>> decodeSessionList(std::string_view json);
// The same, but only when every element is a session.
std::optional<std::vector<Session>> decodeSessions(std::string_view json);
// Compact JSON, or nothing when a time is not a finite number.
std::optional<std::string> encodeSessions(std::span<const Session> sessions);

// "blocks.json": an array of {"id", "name", "color", "pinned", "sessionId", "order"}, all
// required, decoded block by block; "order" must be a whole number. An element that falls short
// is left out and counted. Nothing when the text is not a JSON array.
std::optional<json::RecordList<Block>> decodeBlockList(std::string_view json);
// The same, but only when every element is a block.
std::optional<std::vector<Block>> decodeBlocks(std::string_view json);
std::optional<std::string> encodeBlocks(std::span<const Block> blocks);

} // namespace brimble
