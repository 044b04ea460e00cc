#include <gtest/gtest.h>

#include "HostilePictures.h"
#include "platform/pixbuf/JpegMarkers.h"

namespace brimble::test {
namespace {

bool complete(const Bytes& bytes)
{
    return jpegReachesEndOfImage(bytes);
}

// A JPEG with an APP1 segment holding a whole small JPEG, as an EXIF thumbnail does.
Bytes withEmbeddedThumbnail(const Bytes& picture)
{
    const Bytes thumbnail = pictureBytes(8, 8, "jpeg");
    const size_t length = thumbnail.size() + 2 + 6;
    Bytes out = {0xFF, 0xD8, 0xFF, 0xE1, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
    const std::string exif("Exif\0\0", 6);
    out.insert(out.end(), exif.begin(), exif.end());
    out.insert(out.end(), thumbnail.begin(), thumbnail.end());
    out.insert(out.end(), picture.begin() + 2, picture.end());
    return out;
}

TEST(JpegMarkers, WholePictureReachesItsEnd)
{
    EXPECT_TRUE(complete(hostile::noisyPicture(120, 80, "jpeg")));
}

// Guards a copy that ended early being stored with its lower part grey.
TEST(JpegMarkers, PictureCutAnywhereDoesNot)
{
    const Bytes whole = hostile::noisyPicture(120, 80, "jpeg");
    for (size_t keep = 0; keep + 1 < whole.size(); keep += 97) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(keep));
        EXPECT_FALSE(complete(cut)) << "cut after " << keep << " of " << whole.size() << " bytes";
    }
    EXPECT_FALSE(complete(Bytes(whole.begin(), whole.end() - 1)));
}

// Guards taking an embedded thumbnail's end marker for the picture's own.
TEST(JpegMarkers, ThumbnailEndInsideAHeaderSegmentDoesNotCount)
{
    const Bytes whole = withEmbeddedThumbnail(hostile::noisyPicture(120, 80, "jpeg"));
    EXPECT_TRUE(complete(whole));
    const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
    EXPECT_FALSE(complete(cut));
}

TEST(JpegMarkers, DataAfterTheEndMarkerAreAllowed)
{
    Bytes picture = hostile::noisyPicture(40, 30, "jpeg");
    const std::string trailer = "appended video or maker notes";
    picture.insert(picture.end(), trailer.begin(), trailer.end());
    EXPECT_TRUE(complete(picture));
}

TEST(JpegMarkers, NotAJpegAtAll)
{
    EXPECT_FALSE(complete(Bytes{}));
    EXPECT_FALSE(complete(Bytes{0xFF, 0xD8}));
    EXPECT_FALSE(complete(pictureBytes(4, 4, "png")));
    // A segment length below its own two bytes would make the walk stand still.
    EXPECT_FALSE(complete(Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01, 0xFF, 0xD9}));
}

} // namespace
} // namespace brimble::test
