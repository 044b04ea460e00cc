// Sends random addresses to the scheme router over a folder layout with links and files that
// point outside. Every file has content of its own, so each answer can be traced back to the
// file it came from: that file must lie in the page folder (resource answers) or the picture
// folder (picture answers), never outside them.

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string_view>

#include "bridge/VellumoScheme.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using namespace brimble;

constexpr const char* picture = "0A1B2C3D-4E5F-4a6b-8c7d-9E8F7A6B5C4D";

enum class Route { Resource, Picture, Outside };

struct Layout {
    test::TempDir dir;
    std::map<std::string, Route> origins; // file content → where that file lies

    Layout()
    {
        const fs::path page = dir / "resources" / "clipboard";
        add(page / "index.html", Route::Resource);
        add(page / "app.js", Route::Resource);
        add(page / "sub" / "style.css", Route::Resource);
        add(dir / "resources" / "other" / "img" / (std::string(picture) + ".png"), Route::Resource);
        add(dir / "images" / (std::string(picture) + ".png"), Route::Picture);
        add(dir / "images" / (std::string(picture) + ".jpg"), Route::Picture);
        add(dir / "outside" / "secret.txt", Route::Outside);
        add(dir / "outside" / (std::string(picture) + ".png"), Route::Outside);
        add(dir / "resources-secret.txt", Route::Outside);
        add(dir / "images-secret.png", Route::Outside);

        std::error_code ignored;
        fs::create_symlink("../../outside/secret.txt", page / "link-out", ignored);
        fs::create_symlink("../../outside", page / "dir-out", ignored);
        fs::create_symlink("/", page / "root", ignored);
        fs::create_symlink("index.html", page / "link-in", ignored);
        fs::create_symlink("../outside/" + std::string(picture) + ".png",
                           dir / "images" / "11111111-2222-3333-4444-555555555555.png", ignored);
    }

    void add(const fs::path& path, Route route)
    {
        const std::string content = "content of " + path.string();
        test::writeFile(path, content);
        origins[content] = route;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Layout layout;
    static const VellumoScheme scheme(layout.dir / "resources", layout.dir / "images");

    const SchemeResult result = scheme.serve(std::string_view(reinterpret_cast<const char*>(data), size));
    const auto* response = std::get_if<SchemeResponse>(&result);
    if (!response)
        return 0;

    const std::string body(response->body.begin(), response->body.end());
    const auto origin = layout.origins.find(body);
    // Only the layout's own files exist below the two folders; anything else came from outside.
    if (origin == layout.origins.end())
        std::abort();
    const Route expected = response->encoding.empty() ? Route::Picture : Route::Resource;
    if (origin->second != expected)
        std::abort();
    return 0;
}
