#include "history/AppSupport.h"

namespace brimble::AppSupport {

std::filesystem::path directory(const std::filesystem::path& dataHome)
{
    const std::filesystem::path current = dataHome / "Brimble";
    const std::filesystem::path older = dataHome / "Quiverly";
    std::error_code error;
    // Earlier versions kept their data under another name; one rename carries it all over.
    // An existing "Brimble" always wins, and a failed move simply leaves a fresh start.
    if (!std::filesystem::exists(std::filesystem::symlink_status(current, error))
        && std::filesystem::exists(std::filesystem::symlink_status(older, error)))
        std::filesystem::rename(older, current, error);
    return current;
}

std::filesystem::path historyFile(const std::filesystem::path& dataHome)
{
    return directory(dataHome) / "clipboard.json";
}

std::filesystem::path imagesFolder(const std::filesystem::path& dataHome)
{
    return directory(dataHome) / "clipboard-images";
}

std::filesystem::path formatsFolder(const std::filesystem::path& dataHome)
{
    return directory(dataHome) / "clipboard-formats";
}

} // namespace brimble::AppSupport
