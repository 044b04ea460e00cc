#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace brimble {

struct SchemeResponse {
    std::string mimeType;
    std::string encoding; // empty: no text encoding named
    std::vector<uint8_t> body;
};

// Error codes of the private scheme: 1 no URL or no resource folder, 403 outside, 404 not found.
struct SchemeError {
    int code = 404;
};

using SchemeResult = std::variant<SchemeResponse, SchemeError>;

} // namespace brimble
