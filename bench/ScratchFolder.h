#pragma once

#include <filesystem>
#include <system_error>

#include <glib.h>

namespace brimble {

// A folder under the system's temporary folder, removed with its content.
class ScratchFolder {
public:
    ScratchFolder()
    {
        g_autofree char* made = g_dir_make_tmp("brimble-bench-XXXXXX", nullptr);
        path_ = made ? made : "";
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder()
    {
        std::error_code ignored;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace brimble
