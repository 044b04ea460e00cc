// Pictures built to hurt: small files that claim billions of pixels, data cut short or damaged,
// and other formats labelled as a clipboard picture type. Each is refused quietly, with little
// memory spent; a capture of one records nothing and writes nothing.

#include <functional>

#include <gtest/gtest.h>

#include "HostilePictures.h"

namespace brimble::test {
namespace {

using namespace hostile;

constexpr int64_t megabyte = 1024 * 1024;

// Decoding a refused picture may cost parsing buffers, never its pixels.
constexpr int64_t refusedPeakBudget = 48 * megabyte;

// The MIME type a clipboard type is asked for as.
std::string mimeTypeOf(const std::string& type)
{
    return type == "public.jpeg" ? "image/jpeg" : type == "public.tiff" ? "image/tiff" : "image/png";
}

struct HostileRow {
    const char* name;
    std::function<Bytes()> make;
    const char* type; // the clipboard type it is offered under
};

class RefusedPicture : public ::testing::TestWithParam<HostileRow> {};

TEST_P(RefusedPicture, DecodesToNothingWithoutSpendingItsPixels)
{
    const Bytes bytes = GetParam().make();
    FakePlatform fake;
    const bool measured = resetPeakResident();
    const int64_t before = residentBytes();

    EXPECT_EQ(fake.codec->decode(bytes, mimeTypeOf(GetParam().type)), nullptr);

    if (measured) {
        EXPECT_LT(peakResidentBytes() - before, refusedPeakBudget);
    }
}

TEST_P(RefusedPicture, CaptureRecordsNothingAndWritesNoFile)
{
    CaptureFixture f;
    f.copyPicture(GetParam().make(), {GetParam().type});
    EXPECT_EQ(f.tick(), PushNeeded::No);
    EXPECT_TRUE(f.store.items.empty());
    EXPECT_TRUE(f.imageFiles().empty());

    // The next ordinary copy is recorded as ever.
    f.copyPicture(pictureBytes(20, 10, "png"));
    EXPECT_EQ(f.tick(), PushNeeded::Yes);
    EXPECT_EQ(f.texts(), std::vector<std::string>{"PNG \u00B7 20\u00D710"});
}

INSTANTIATE_TEST_SUITE_P(
    Claims, RefusedPicture,
    ::testing::Values(
        // 110 kB that decode to 2.7 GB.
        HostileRow{"PngBomb30000", [] { return pngBomb(30000, 30000); }, "public.png"},
        HostileRow{"PngHeaderClaimsLargest", [] { return pngOfZeros(65535, 65535, 1); }, "public.png"},
        HostileRow{"PngOneRowTooWideToHold", [] { return pngOfZeros(0x7fffffff, 1, 0); }, "public.png"},
        HostileRow{"JpegClaims30000", [] { return jpegClaiming(30000, 30000); }, "public.jpeg"},
        HostileRow{"JpegClaimsLargest", [] { return jpegClaiming(65535, 65535); }, "public.jpeg"},
        // Guards asking the loader for a 1 × 1 result: the TIFF loader still filled a buffer of
        // the full size (1.6 GB for these 160 kB) before scaling it down.
        HostileRow{"TiffBomb20000", [] { return tiffBomb(20000, 20000); }, "public.tiff"},
        HostileRow{"TiffBomb30000", [] { return tiffBomb(30000, 30000); }, "public.tiff"},
        // Guards handing any format to GdkPixbuf: these bytes would go to the SVG renderer.
        HostileRow{"SvgLabelledPng", [] { return svg("100", "100"); }, "public.png"},
        HostileRow{"SvgClaimingHugeSize", [] { return svg("100000", "100000"); }, "public.png"},
        HostileRow{"Nothing", [] { return Bytes{}; }, "public.png"},
        HostileRow{"TextLabelledPng", [] { return Bytes{'h', 'e', 'l', 'l', 'o'}; }, "public.png"}),
    [](const auto& info) { return std::string(info.param.name); });

// 8 kB that decode to 192 MB: at the limit of what is accepted, so it is decoded, costs at most
// its pixels once, and is stored scaled down like any large picture.
TEST(HostilePicture, BombAtTheLimitIsStoredScaledWithBoundedMemory)
{
    CaptureFixture f;
    f.copyPicture(pngBomb(8192, 8192));
    const bool measured = resetPeakResident();
    const int64_t before = residentBytes();

    EXPECT_EQ(f.tick(), PushNeeded::Yes);

    if (measured) {
        EXPECT_LT(peakResidentBytes() - before, 300 * megabyte);
    }
    ASSERT_EQ(f.store.items.size(), 1u);
    EXPECT_EQ(f.store.items[0].text, "PNG \u00B7 8192\u00D78192");
    const auto info = pictureInfo(f.imagesDir() / *f.store.items[0].imgFile);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, 1200);
    EXPECT_EQ(info->height, 1200);
}

struct CutRow {
    const char* name;
    const char* format;
    double keep; // the share of the file that arrives
};

class CutShortPicture : public ::testing::TestWithParam<CutRow> {};

// A copy that ends early (a crashed owner, a failed transfer) is skipped, not stored half grey.
TEST_P(CutShortPicture, IsRefused)
{
    const CutRow& row = GetParam();
    Bytes bytes = noisyPicture(300, 200, row.format);
    bytes.resize(static_cast<size_t>(static_cast<double>(bytes.size()) * row.keep));
    FakePlatform fake;
    EXPECT_EQ(fake.codec->decode(bytes, std::string("image/") + row.format), nullptr) << bytes.size() << " bytes";
}

INSTANTIATE_TEST_SUITE_P(Cuts, CutShortPicture,
                         ::testing::Values(CutRow{"PngSignatureOnly", "png", 0.0005},
                                           CutRow{"PngHalf", "png", 0.5},
                                           CutRow{"PngAllButTheEnd", "png", 0.98},
                                           CutRow{"JpegHeaderOnly", "jpeg", 0.01},
                                           CutRow{"JpegHalf", "jpeg", 0.5},
                                           CutRow{"TiffHeaderOnly", "tiff", 0.00005},
                                           CutRow{"TiffHalf", "tiff", 0.5}),
                         [](const auto& info) { return std::string(info.param.name); });

// Damage anywhere in a file may be refused or decoded to some picture; it is never a crash, and a
// picture that comes out is stored as a sound file of its own.
TEST(HostilePicture, DamagedBytesNeverCrashAndAnythingStoredIsSound)
{
    for (const char* format : {"png", "jpeg", "tiff"}) {
        const Bytes original = noisyPicture(64, 48, format);
        for (size_t step = 0; step < 64; ++step) {
            Bytes bytes = original;
            const size_t at = (original.size() * step) / 64;
            bytes[at] ^= static_cast<uint8_t>(0x5a + step);
            CaptureFixture f;
            f.copyPicture(bytes, {format == std::string("jpeg") ? "public.jpeg" : "public.png"});
            f.tick();
            for (const Clip& clip : f.store.items) {
                ASSERT_TRUE(clip.imgFile);
                EXPECT_TRUE(pictureInfo(f.imagesDir() / *clip.imgFile)) << format << " damaged at " << at;
            }
        }
    }
}

} // namespace
} // namespace brimble::test

namespace brimble::test {
namespace {

// Each picture is decoded by the loader of the type it was asked for, never by what its bytes
// look like: sniffing handed clipboard data to the SVG, icon, pixmap and other parsers.
struct TypedRow {
    const char* name;
    std::function<Bytes()> make;
    const char* mimeType; // the type it is decoded as
    bool decodes;
};

class TypedDecode : public ::testing::TestWithParam<TypedRow> {};

TEST_P(TypedDecode, OnlyTheLoaderOfTheTypeAskedForReadsTheBytes)
{
    FakePlatform fake;
    const bool decoded = fake.codec->decode(GetParam().make(), GetParam().mimeType) != nullptr;
    EXPECT_EQ(decoded, GetParam().decodes);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TypedDecode,
    ::testing::Values(TypedRow{"PngAsPng", [] { return pictureBytes(8, 6, "png"); }, "image/png", true},
                      TypedRow{"JpegAsJpeg", [] { return pictureBytes(8, 6, "jpeg"); }, "image/jpeg", true},
                      TypedRow{"TiffAsTiff", [] { return pictureBytes(8, 6, "tiff"); }, "image/tiff", true},
                      // A JPEG sent under the PNG target is not guessed into a picture.
                      TypedRow{"JpegAsPng", [] { return pictureBytes(8, 6, "jpeg"); }, "image/png", false},
                      TypedRow{"PngAsTiff", [] { return pictureBytes(8, 6, "png"); }, "image/tiff", false},
                      // Types capture never reads have no loader at all, whatever the bytes.
                      TypedRow{"SvgAsSvg", [] { return hostile::svg("10", "10"); }, "image/svg+xml", false},
                      TypedRow{"IcoAsIco", [] { return pictureBytes(8, 6, "ico"); }, "image/x-icon", false},
                      TypedRow{"PngAsBmp", [] { return pictureBytes(8, 6, "png"); }, "image/bmp", false},
                      TypedRow{"PngWithoutType", [] { return pictureBytes(8, 6, "png"); }, "", false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace brimble::test
