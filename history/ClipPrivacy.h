#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace brimble::ClipPrivacy {

// Clipboard types that mark a copy as secret.
const std::set<std::string>& markerTypes();

// Whether the types mark a copy as secret: a type of `markerTypes`, or one whose name holds
// "password" or "concealed" in any case.
bool isMarkedSecret(const std::set<std::string>& types);

// Why a change must not be recorded ("concealed-type", "password-marker", "excluded-app"), or
// nothing when it may be.
std::optional<std::string> skipReason(const std::set<std::string>& types,
                                      const std::optional<std::string>& appId,
                                      const std::vector<std::string>& excluded, bool recordSecrets);

// The same for an application known by several ids: excluded when any of them is.
std::optional<std::string> skipReason(const std::set<std::string>& types, const std::vector<std::string>& appIds,
                                      const std::vector<std::string>& excluded, bool recordSecrets);

// Full Unicode lower-case mapping.
std::string lowercased(std::string_view utf8);

} // namespace brimble::ClipPrivacy
