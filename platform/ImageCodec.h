#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace brimble {

using Bytes = std::vector<uint8_t>;

// A decoded picture as the platform holds it; only the codec looks inside.
class PlatformImage {
public:
    PlatformImage() = default;
    PlatformImage(const PlatformImage&) = delete;
    PlatformImage& operator=(const PlatformImage&) = delete;
    virtual ~PlatformImage() = default;

    // Nominal width before any scaling, as the label reports it.
    virtual double nominalWidth() const = 0;
    // Nominal height before any scaling, as the label reports it.
    virtual double nominalHeight() const = 0;
};

enum class ImageFormat { Png, Jpeg };

struct EncodedImage {
    Bytes bytes;
    std::string extension; // "png" or "jpg"
};

// Scaling, encoding and decoding of pictures.
class ImageCodec {
public:
    ImageCodec() = default;
    ImageCodec(const ImageCodec&) = delete;
    ImageCodec& operator=(const ImageCodec&) = delete;
    virtual ~ImageCodec() = default;

    // Scales so that the longer side is at most `maxSide` pixels (never 0) and encodes as PNG,
    // or JPEG at quality 0.8; nothing when the picture cannot be encoded.
    virtual std::optional<EncodedImage> encode(const PlatformImage& image, ImageFormat format,
                                               int maxSide) = 0;
    // Decodes bytes of the MIME type "image/png", "image/jpeg" or "image/tiff" with that type's
    // loader alone: nothing for any other type, for bytes that are not of the type given, and
    // for a picture that would decode to an unreasonably large bitmap. The format is never
    // guessed from the bytes, so no other image parser ever reads them.
    virtual std::unique_ptr<PlatformImage> decode(std::span<const uint8_t> bytes, std::string_view mimeType) = 0;
};

} // namespace brimble
