#include <regex>

#include <gtest/gtest.h>

#include "CaptureFixture.h"
#include "history/ImageFiles.h"

namespace brimble::test {
namespace {

const std::regex pictureName("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.(png|jpg)$");

TEST(CaptureImage, PngIsStoredUnderAFreshNameWithLabelAndDigest)
{
    CaptureFixture f;
    f.copyPicture(pictureBytes(640, 480, "png"));
    EXPECT_EQ(f.tick(), PushNeeded::Yes);

    ASSERT_EQ(f.store.items.size(), 1u);
    const Clip& clip = f.store.items[0];
    EXPECT_EQ(clip.kind, "image");
    EXPECT_EQ(clip.text, "PNG \u00B7 640\u00D7480");
    EXPECT_EQ(clip.sessionId, "SESSION-A");
    ASSERT_TRUE(clip.imgFile);
    EXPECT_TRUE(std::regex_match(*clip.imgFile, pictureName)) << *clip.imgFile;
    EXPECT_TRUE(clip.imgFile->ends_with(".png"));

    const std::filesystem::path file = f.imagesDir() / *clip.imgFile;
    const std::string stored = readFile(file);
    EXPECT_EQ(clip.sig, sha256Hex(std::span(reinterpret_cast<const uint8_t*>(stored.data()), stored.size())));
    EXPECT_EQ(fileMode(file), 0600);
    EXPECT_EQ(fileMode(f.imagesDir()), 0700);
    const auto info = pictureInfo(file);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->format, "png");
    EXPECT_EQ(info->width, 640);
    EXPECT_EQ(info->height, 480);
}

TEST(CaptureImage, SamePictureTwiceKeepsOneEntryAndOneFile)
{
    CaptureFixture f;
    const Bytes picture = pictureBytes(64, 32, "png");
    f.copyPicture(picture);
    f.tick();
    const Clip first = f.store.items[0];
    f.copyAndTick("in between");
    f.fake.clock.time += 1;
    f.copyPicture(picture);
    EXPECT_EQ(f.tick(), PushNeeded::Yes);

    ASSERT_EQ(f.store.items.size(), 2u);
    EXPECT_EQ(f.store.items[0].id, first.id);
    EXPECT_EQ(f.store.items[0].imgFile, first.imgFile);
    EXPECT_EQ(f.store.items[0].ts, f.fake.clock.time);
    EXPECT_EQ(f.imageFiles(), std::vector<std::string>{*first.imgFile});
}

// Some programs announce their picture again at every focus change; decoding, scaling and
// encoding it each time cost a second of work for a large screenshot.
TEST(CaptureImage, PictureAnnouncedAgainWithTheSameBytesIsNotDecodedAgain)
{
    CaptureFixture f;
    LastPicture lastPicture;
    f.services.lastPicture = &lastPicture;
    const Bytes picture = pictureBytes(64, 32, "png");
    f.copyPicture(picture);
    f.tick();
    f.copyAndTick("in between");
    f.fake.clock.time += 1;
    f.copyPicture(picture);
    EXPECT_EQ(f.tick(), PushNeeded::Yes);

    EXPECT_EQ(f.fake.pasteboard.decodeCalls, 1);
    ASSERT_EQ(f.store.items.size(), 2u);
    EXPECT_EQ(f.store.items[0].kind, "image");
    EXPECT_EQ(f.store.items[0].ts, f.fake.clock.time);
    EXPECT_EQ(f.lastCapture.clipId, f.store.items[0].id);
    EXPECT_EQ(f.imageFiles().size(), 1u);

    // Other bytes are a new picture and are decoded.
    f.copyPicture(pictureBytes(64, 32, "png", 0x112233ff));
    f.tick();
    EXPECT_EQ(f.fake.pasteboard.decodeCalls, 2);
    EXPECT_EQ(f.store.items.size(), 3u);
}

TEST(CaptureImage, PictureAnnouncedAgainAfterItsEntryWasDeletedIsRecordedAnew)
{
    CaptureFixture f;
    LastPicture lastPicture;
    f.services.lastPicture = &lastPicture;
    const Bytes picture = pictureBytes(64, 32, "png");
    f.copyPicture(picture);
    f.tick();
    f.store.items.clear();
    f.copyPicture(picture);
    EXPECT_EQ(f.tick(), PushNeeded::Yes);

    EXPECT_EQ(f.fake.pasteboard.decodeCalls, 2);
    ASSERT_EQ(f.store.items.size(), 1u);
    ASSERT_TRUE(f.store.items[0].imgFile);
    EXPECT_TRUE(std::filesystem::exists(f.imagesDir() / *f.store.items[0].imgFile));
}

TEST(CaptureImage, SamePictureInAnotherSessionGetsItsOwnEntry)
{
    CaptureFixture f;
    const Bytes picture = pictureBytes(64, 32, "png");
    f.copyPicture(picture);
    f.tick();
    f.session = "SESSION-B";
    f.copyPicture(picture);
    f.tick();
    ASSERT_EQ(f.store.items.size(), 2u);
    EXPECT_EQ(f.imageFiles().size(), 2u);
}

struct FormatRow {
    const char* name;
    std::set<std::string> types;
    const char* sourceFormat;
    std::string extension;
    std::string storedFormat;
    std::string labelStart;
};

class CaptureImageFormat : public ::testing::TestWithParam<FormatRow> {};

TEST_P(CaptureImageFormat, ChoosesEncodingAndLabelFromTheOfferedTypes)
{
    const FormatRow& row = GetParam();
    CaptureFixture f;
    f.copyPicture(pictureBytes(30, 20, row.sourceFormat), row.types);
    EXPECT_EQ(f.tick(), PushNeeded::Yes);

    ASSERT_EQ(f.store.items.size(), 1u);
    const Clip& clip = f.store.items[0];
    ASSERT_TRUE(clip.imgFile);
    EXPECT_TRUE(clip.imgFile->ends_with("." + row.extension)) << *clip.imgFile;
    EXPECT_EQ(clip.text, row.labelStart + " \u00B7 30\u00D720");
    const auto info = pictureInfo(f.imagesDir() / *clip.imgFile);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->format, row.storedFormat);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CaptureImageFormat,
    ::testing::Values(FormatRow{"PngOnly", {"public.png"}, "png", "png", "png", "PNG"},
                      FormatRow{"JpegOnly", {"public.jpeg"}, "jpeg", "jpg", "jpeg", "JPEG"},
                      // The label says JPEG while the file is PNG: the two are chosen apart.
                      FormatRow{"JpegAndPng", {"public.jpeg", "public.png"}, "png", "png", "png", "JPEG"},
                      FormatRow{"TiffOnly", {"public.tiff"}, "tiff", "png", "png", "Image"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ScaleRow {
    const char* name;
    int width, height;
    int storedWidth, storedHeight;
};

class CaptureImageScale : public ::testing::TestWithParam<ScaleRow> {};

TEST_P(CaptureImageScale, LongerSideIsAtMost1200)
{
    const ScaleRow& row = GetParam();
    CaptureFixture f;
    f.copyPicture(pictureBytes(row.width, row.height, "png"));
    f.tick();
    ASSERT_EQ(f.store.items.size(), 1u);
    // The label keeps the picture's own size.
    EXPECT_EQ(f.store.items[0].text,
              "PNG \u00B7 " + std::to_string(row.width) + "\u00D7" + std::to_string(row.height));
    const auto info = pictureInfo(f.imagesDir() / *f.store.items[0].imgFile);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->width, row.storedWidth);
    EXPECT_EQ(info->height, row.storedHeight);
}

INSTANTIATE_TEST_SUITE_P(Rows, CaptureImageScale,
                         ::testing::Values(ScaleRow{"Large", 4000, 3000, 1200, 900},
                                           // A side scaled below one pixel must stay one pixel.
                                           ScaleRow{"ThinLine", 3000, 1, 1200, 1},
                                           ScaleRow{"TallLine", 1, 3000, 1, 1200},
                                           ScaleRow{"SmallEnough", 800, 600, 800, 600},
                                           ScaleRow{"ExactlyTheLimit", 1200, 10, 1200, 10}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CaptureImage, ImageTypeWithoutAPictureFallsBackToText)
{
    CaptureFixture f;
    f.copyPicture(Bytes{'n', 'o', 't'}, {"public.png", plainText}, "the caption");
    EXPECT_EQ(f.tick(), PushNeeded::Yes);
    ASSERT_EQ(f.store.items.size(), 1u);
    EXPECT_EQ(f.store.items[0].kind, "text");
    EXPECT_EQ(f.store.items[0].text, "the caption");
}

TEST(CaptureImage, ImageTypeWithNeitherPictureNorTextRecordsNothing)
{
    CaptureFixture f;
    f.copyPicture(Bytes{'n', 'o', 't'}, {"public.tiff"});
    EXPECT_EQ(f.tick(), PushNeeded::No);
    EXPECT_TRUE(f.store.items.empty());
}

TEST(CaptureImage, FailedPictureWriteAddsNothingButStillRefreshesThePage)
{
    // Simulates a full or read-only disk: the picture folder cannot be made.
    CaptureFixture f;
    f.copyAndTick("before");
    const std::string saved = readFile(f.historyFile());
    writeFile(f.imagesDir(), "a file where the folder should be");

    f.copyPicture(pictureBytes(10, 10, "png"));
    EXPECT_EQ(f.tick(), PushNeeded::Yes);
    EXPECT_EQ(f.texts(), std::vector<std::string>{"before"});
    EXPECT_EQ(readFile(f.historyFile()), saved);
}

TEST(CaptureImage, CapturePrunesFilesNoEntryNames)
{
    CaptureFixture f;
    writeFile(f.imagesDir() / "5C0FFEE0-0000-4000-8000-000000000000.png", "left behind by a crash");
    f.copyPicture(pictureBytes(10, 10, "png"));
    f.tick();
    EXPECT_EQ(f.imageFiles(), std::vector<std::string>{*f.store.items[0].imgFile});
}

struct LabelRow {
    const char* name;
    std::set<std::string> types;
    double width, height;
    std::string label;
};

class ImageLabel : public ::testing::TestWithParam<LabelRow> {};

TEST_P(ImageLabel, FormatWordAndTruncatedSize)
{
    EXPECT_EQ(imageLabel(GetParam().types, GetParam().width, GetParam().height), GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ImageLabel,
    ::testing::Values(LabelRow{"Png", {"public.png"}, 1920, 1080, "PNG \u00B7 1920\u00D71080"},
                      LabelRow{"JpegWins", {"public.png", "public.jpeg"}, 10, 20, "JPEG \u00B7 10\u00D720"},
                      LabelRow{"TiffIsImage", {"public.tiff"}, 1, 1, "Image \u00B7 1\u00D71"},
                      // Points with a fraction are truncated, never rounded up.
                      LabelRow{"FractionalPoints", {"public.png"}, 640.9, 480.5, "PNG \u00B7 640\u00D7480"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace brimble::test
