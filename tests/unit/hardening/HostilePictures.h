#pragma once

#include <cstdint>
#include <fstream>
#include <string>

#include <gio/gio.h>

#include "platform/ImageCodec.h"
#include "unit/history/CaptureFixture.h"

// Crafted pictures that claim far more pixels than their bytes hold, or that are cut short or
// damaged. Compression and checksums come from zlib through GIO.
namespace brimble::test::hostile {

// Runs `feed` to produce input and returns what a zlib compressor in `format` made of it.
template<typename Feed>
std::string compressed(GZlibCompressorFormat format, Feed feed)
{
    g_autoptr(GZlibCompressor) compressor = g_zlib_compressor_new(format, 9);
    g_autoptr(GOutputStream) memory = g_memory_output_stream_new_resizable();
    g_autoptr(GOutputStream) stream = g_converter_output_stream_new(memory, G_CONVERTER(compressor));
    feed([&](const std::string& chunk) {
        g_output_stream_write_all(stream, chunk.data(), chunk.size(), nullptr, nullptr, nullptr);
    });
    g_output_stream_close(stream, nullptr, nullptr);
    const auto* data = static_cast<const char*>(g_memory_output_stream_get_data(G_MEMORY_OUTPUT_STREAM(memory)));
    return std::string(data, g_memory_output_stream_get_data_size(G_MEMORY_OUTPUT_STREAM(memory)));
}

// `rows` rows of `rowBytes` zero bytes, zlib-wrapped.
inline std::string zeroRows(size_t rowBytes, size_t rows)
{
    return compressed(G_ZLIB_COMPRESSOR_FORMAT_ZLIB, [&](auto write) {
        const std::string row(rowBytes, '\0');
        for (size_t i = 0; i < rows; ++i)
            write(row);
    });
}

// The CRC-32 of `bytes`, read from the trailer of their gzip form.
inline uint32_t crc32Of(const std::string& bytes)
{
    const std::string gzip = compressed(G_ZLIB_COMPRESSOR_FORMAT_GZIP, [&](auto write) { write(bytes); });
    const auto* trailer = reinterpret_cast<const uint8_t*>(gzip.data() + gzip.size() - 8);
    return trailer[0] | trailer[1] << 8 | trailer[2] << 16 | static_cast<uint32_t>(trailer[3]) << 24;
}

inline std::string bigEndian32(uint32_t value)
{
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

inline std::string littleEndian(uint32_t value, int bytes)
{
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
    return out;
}

inline std::string pngChunk(const std::string& type, const std::string& data)
{
    return bigEndian32(static_cast<uint32_t>(data.size())) + type + data + bigEndian32(crc32Of(type + data));
}

// A one-bit grey PNG of `width` × `height` whose rows are all black: a few kilobytes that decode
// to three bytes a pixel. With `rows` below the height, the image data stop early.
inline Bytes pngOfZeros(uint32_t width, uint32_t height, uint32_t rows)
{
    const std::string header = bigEndian32(width) + bigEndian32(height) + std::string{1, 0, 0, 0, 0};
    const std::string png = "\x89PNG\r\n\x1a\n" + pngChunk("IHDR", header)
        + pngChunk("IDAT", zeroRows(1 + (width + 7) / 8, rows)) + pngChunk("IEND", "");
    return Bytes(png.begin(), png.end());
}

inline Bytes pngBomb(uint32_t width, uint32_t height)
{
    return pngOfZeros(width, height, height);
}

// A real 16 × 16 JPEG whose frame header is made to claim `width` × `height`.
inline Bytes jpegClaiming(uint16_t width, uint16_t height)
{
    Bytes jpeg = pictureBytes(16, 16, "jpeg");
    for (size_t i = 2; i + 9 < jpeg.size();) {
        const uint8_t marker = jpeg[i + 1];
        const size_t length = static_cast<size_t>(jpeg[i + 2]) << 8 | jpeg[i + 3];
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<uint8_t>(height);
            jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<uint8_t>(width);
            break;
        }
        i += 2 + length;
    }
    return jpeg;
}

// A grey TIFF of `width` × `height`, one row per strip, every strip pointing at the same
// compressed row of zeros: a few hundred kilobytes that decode to four bytes a pixel.
inline Bytes tiffBomb(uint32_t width, uint32_t height)
{
    const std::string row = zeroRows(width, 1);
    constexpr uint16_t entryCount = 10;
    const uint32_t offsetsAt = 8 + 2 + entryCount * 12 + 4;
    const uint32_t countsAt = offsetsAt + 4 * height;
    const uint32_t dataAt = countsAt + 4 * height;
    auto entry = [](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        return littleEndian(tag, 2) + littleEndian(type, 2) + littleEndian(count, 4) + littleEndian(value, 4);
    };
    constexpr uint16_t shortType = 3, longType = 4;
    std::string tiff = "II*" + std::string(1, '\0') + littleEndian(8, 4) + littleEndian(entryCount, 2);
    tiff += entry(256, longType, 1, width);          // width
    tiff += entry(257, longType, 1, height);         // height
    tiff += entry(258, shortType, 1, 8);             // bits per sample
    tiff += entry(259, shortType, 1, 8);             // deflate compression
    tiff += entry(262, shortType, 1, 1);             // black is zero
    tiff += entry(273, longType, height, offsetsAt); // strip offsets
    tiff += entry(277, shortType, 1, 1);             // one sample a pixel
    tiff += entry(278, longType, 1, 1);              // one row a strip
    tiff += entry(279, longType, height, countsAt);  // strip byte counts
    tiff += entry(284, shortType, 1, 1);             // planar, chunky
    tiff += littleEndian(0, 4);
    for (uint32_t i = 0; i < height; ++i)
        tiff += littleEndian(dataAt, 4);
    for (uint32_t i = 0; i < height; ++i)
        tiff += littleEndian(static_cast<uint32_t>(row.size()), 4);
    tiff += row;
    return Bytes(tiff.begin(), tiff.end());
}

inline Bytes svg(const std::string& width, const std::string& height)
{
    const std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + width + "\" height=\"" + height
        + "\"><rect width=\"100%\" height=\"100%\" fill=\"red\"/></svg>";
    return Bytes(text.begin(), text.end());
}

// A picture of varied pixels, so that its compressed data are not trivially short.
inline Bytes noisyPicture(int width, int height, const char* format)
{
    g_autoptr(GdkPixbuf) pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    uint32_t seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width * 3; ++x) {
            seed = seed * 1103515245 + 12345;
            pixels[y * stride + x] = static_cast<guchar>(seed >> 16);
        }
    return encodedPixbuf(pixbuf, format);
}

// Resident memory of this process, and its peak since the last `resetPeakResident`, in bytes.
inline int64_t residentField(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with(field))
            return std::stoll(line.substr(std::string(field).size())) * 1024;
    return -1;
}

inline int64_t residentBytes()
{
    return residentField("VmRSS:");
}

inline int64_t peakResidentBytes()
{
    return residentField("VmHWM:");
}

// Makes the kernel start the peak afresh from the current size; false where it cannot.
inline bool resetPeakResident()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

} // namespace brimble::test::hostile
