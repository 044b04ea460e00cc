#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace brimble {

// SHA-256 as 64 lowercase hexadecimal digits. Nettle's, which uses the processor's SHA
// instructions where there are some: several times GLib's speed on the megabytes of a picture or
// an office copy hashed on the main loop.
std::string sha256Hex(std::span<const uint8_t> bytes);
std::string sha256Hex(std::string_view bytes);

} // namespace brimble
