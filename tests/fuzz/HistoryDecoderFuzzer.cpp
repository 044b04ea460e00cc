// Feeds arbitrary bytes to the history decoder, which reads entry by entry. Whatever entries it
// reads must save and load again, whole, to the same entries (the legacy inline picture aside, which is never written). Times may come back
// a few units in the last place off: the reader uses RapidJSON's plain number parser.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string_view>
#include <vector>

#include "history/ClipCodec.h"

static bool sameTime(double a, double b)
{
    return a == b || std::fabs(a - b) <= 8 * std::numeric_limits<double>::epsilon() * std::fabs(a);
}

static bool sameEntries(std::vector<brimble::Clip> a, std::vector<brimble::Clip> b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (!sameTime(a[i].ts, b[i].ts))
            return false;
        b[i].ts = a[i].ts;
    }
    return a == b;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace brimble;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::optional<json::RecordList<Clip>> list = decodeClipList(text);
    if (!list)
        return 0;
    std::vector<Clip>* clips = &list->records;

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
    if (!again || !sameEntries(*clips, *again))
        std::abort();
    return 0;
}
