#include "platform/gtk/ResourcesFolder.h"

#include <array>
#include <system_error>

namespace brimble {

std::filesystem::path findResourcesFolder()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty())
        return {};
    const std::filesystem::path folder = program.parent_path();
    const std::array candidates{folder / "resources", folder.parent_path() / "share" / "brimble" / "resources"};
    for (const std::filesystem::path& candidate : candidates) {
        if (std::filesystem::is_directory(candidate / "clipboard", error))
            return candidate;
    }
    return {};
}

} // namespace brimble
