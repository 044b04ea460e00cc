#include "platform/gtk/ResourcesFolder.h"

#include <array>
#include <system_error>

namespace brimble {

std::filesystem::path findBesideProgram(const std::filesystem::path& besideProgram,
                                        const std::filesystem::path& underPrefix,
                                        const std::filesystem::path& mustHold)
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty())
        return {};
    const std::filesystem::path folder = program.parent_path();
    // The program lives in libexec/brimble/, below the build folder or the prefix; run from a
    // folder of its own or from bin/, it finds them one or no level up.
    const std::filesystem::path root = folder.parent_path().parent_path();
    const std::array candidates{root / besideProgram, root / underPrefix, folder / besideProgram,
                                folder.parent_path() / underPrefix};
    for (const std::filesystem::path& candidate : candidates) {
        if (std::filesystem::is_directory(candidate / mustHold, error))
            return candidate;
    }
    return {};
}

std::filesystem::path findResourcesFolder()
{
    return findBesideProgram("resources", std::filesystem::path("share") / "brimble" / "resources", "clipboard");
}

} // namespace brimble
