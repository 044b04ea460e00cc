#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "history/Clip.h"

namespace brimble {

// Decodes a history file: a JSON array of entries. "id" (string) and "ts" (number) are required
// in every entry, or the whole document fails; every other key is read leniently.
std::optional<std::vector<Clip>> decodeClips(std::string_view json);

// One entry as compact JSON ("img" never written, absent optional fields left out).
std::string encodeClip(const Clip& clip);

// The whole history as a compact JSON array.
std::string encodeClips(std::span<const Clip> clips);

// Whether an "imgFile" value may be used: non-empty, no "/" or "\", not starting with ".".
bool isSafeImageFileName(std::string_view name);

} // namespace brimble
