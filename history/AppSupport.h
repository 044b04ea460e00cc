#pragma once

#include <filesystem>

namespace brimble::AppSupport {

// The data folder, `dataHome`/"Brimble". Each call first moves an older "Quiverly" folder into
// place when "Brimble" does not exist yet. The folder itself is not created here.
std::filesystem::path directory(const std::filesystem::path& dataHome);

// `directory`/"clipboard.json".
std::filesystem::path historyFile(const std::filesystem::path& dataHome);

// `directory`/"clipboard-images".
std::filesystem::path imagesFolder(const std::filesystem::path& dataHome);

// `directory`/"clipboard-formats": the kept formats' files, named by their content's hash.
std::filesystem::path formatsFolder(const std::filesystem::path& dataHome);

} // namespace brimble::AppSupport
