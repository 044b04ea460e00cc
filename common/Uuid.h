#pragma once

#include <string>

namespace brimble {

// A fresh random UUID in canonical upper-case form (36 characters, 8-4-4-4-12).
std::string newUuid();

} // namespace brimble
