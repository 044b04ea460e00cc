#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/JsonText.h"
#include "history/Clip.h"

namespace brimble {

// Decodes a history file, a JSON array of entries, entry by entry. An entry needs "id" (string)
// and a finite "ts" (number); every other key is read leniently. An element that is no such
// entry is left out and counted, the rest are kept. Nothing when the text is not a JSON array
// (text that is not valid UTF-8, raw or through an escaped lone surrogate, or nesting deeper
// than the parser allows, is not one).
std::optional<json::RecordList<Clip>> decodeClipList(std::string_view json);

// The same, but only when every element is an entry: a file written by `encodeClips`.
std::optional<std::vector<Clip>> decodeClips(std::string_view json);

// One entry as compact JSON ("img" never written, absent optional fields left out). Nothing when
// the entry cannot be written as valid JSON (a time that is not a finite number).
std::optional<std::string> encodeClip(const Clip& clip);

// One entry's JSON with its text left out where that can be done: when the text needs no
// escape, `textApart` is set, `before` ends with the text's opening quote, `after` begins with
// its closing one, and before + text + after is exactly `encodeClip`'s result. Otherwise
// `before` is that whole result and `after` is empty. Nothing when `encodeClip` gives nothing.
struct ClipJson {
    std::string before;
    std::string after;
    bool textApart = false;
};
std::optional<ClipJson> encodeClipAroundText(const Clip& clip);

// The whole history as a compact JSON array, or nothing when any entry cannot be encoded.
std::optional<std::string> encodeClips(std::span<const Clip> clips);

// Whether an "imgFile" value may be used: non-empty, no "/" or "\", not starting with ".".
bool isSafeImageFileName(std::string_view name);

} // namespace brimble
