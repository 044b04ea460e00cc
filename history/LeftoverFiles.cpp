#include "history/LeftoverFiles.h"

namespace brimble {

std::optional<std::vector<std::string>> listFolderNames(const std::filesystem::path& folder)
{
    std::error_code error;
    std::filesystem::directory_iterator listing(folder, error);
    if (error)
        return std::nullopt;
    std::vector<std::string> listed;
    for (; listing != std::filesystem::directory_iterator(); listing.increment(error)) {
        if (error)
            break;
        listed.push_back(listing->path().filename().string());
    }
    return listed;
}

void removeLeftovers(const std::filesystem::path& folder, const std::vector<std::string>& listed,
                     const std::unordered_set<std::string>& referenced, const LeftoverRules& rules)
{
    for (const std::string& name : listed) {
        const bool temporary = rules.isTemporary(name);
        if (referenced.contains(name) || (!rules.isOurs(name) && !temporary))
            continue;
        // A write cut short is named by no entry, not even one set aside, so its temporary goes.
        if (rules.atRisk && !temporary && !(rules.seen && rules.seen->contains(name)))
            continue;
        std::error_code ignored;
        if (std::filesystem::is_directory(std::filesystem::symlink_status(folder / name, ignored)))
            continue; // Brimble writes files only; a folder of that name is not one of its own
        std::filesystem::remove(folder / name, ignored);
    }
}

} // namespace brimble
