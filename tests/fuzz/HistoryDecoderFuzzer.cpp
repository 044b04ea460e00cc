// Feeds arbitrary bytes to the history decoder. Whatever it accepts must save and load again to
// the very same entries (the legacy inline picture aside, which is never written).

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "history/ClipCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace brimble;
    const std::string_view json(reinterpret_cast<const char*>(data), size);
    std::optional<std::vector<Clip>> clips = decodeClips(json);
    if (!clips)
        return 0;

    for (Clip& clip : *clips) {
        // Whatever the file held, a name that could leave the picture folder never gets through.
        if (clip.imgFile && !isSafeImageFileName(*clip.imgFile))
            std::abort();
        clip.img.reset();
    }
    const std::optional<std::string> encoded = encodeClips(*clips);
    if (!encoded)
        std::abort(); // JSON holds no time that cannot be written back
    const std::optional<std::vector<Clip>> again = decodeClips(*encoded);
    if (!again || *again != *clips)
        std::abort();
    return 0;
}
