#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/Sha256.h"
#include "platform/ImageCodec.h"

namespace brimble {

// Longest side of a stored picture, in pixels.
inline constexpr int maxImageSide = 1200;
// The most that the pictures entries refer to may add up to (60 MiB).
inline constexpr uint64_t imagesBudgetBytes = 62914560;

// Scales the picture to at most `maxSide` pixels on its longer side and encodes it as `format`
// (JPEG at quality 0.8); nothing when it cannot be encoded.
std::optional<EncodedImage> encodeImage(ImageCodec& codec, const PlatformImage& image,
                                        ImageFormat format, int maxSide);

// Stores picture bytes under a fresh "<UUID>.<ext>" in the data folder's "clipboard-images"
// (folder 0700, file 0600, written atomically). Returns the bare file name, or nothing.
std::optional<std::string> writeImage(const std::filesystem::path& dataHome,
                                      std::span<const uint8_t> bytes, const std::string& ext);

// Whether `name` has the form of the names `writeImage` gives: 36 hexadecimal digits and
// hyphens (a UUID), then ".png" or ".jpg". No other file is ever served or deleted as a picture.
bool isImageFileName(std::string_view name);

// Whether `name` is the temporary that an interrupted `writeImage` leaves: a picture name as
// above, ".", and six letters or digits.
bool isImageTemporaryName(std::string_view name);

// Standard Base64 with padding; any character outside the alphabet (line breaks included)
// makes it fail.
std::optional<Bytes> decodeBase64Strictly(std::string_view text);

} // namespace brimble
