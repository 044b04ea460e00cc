#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brimble {

// A format kept beside an entry's text, as its owner sent it: a MIME type of the kept list and
// its bytes.
struct ExtraFormat {
    std::string type;
    std::string bytes;

    bool operator==(const ExtraFormat&) const = default;
};

// The formats kept beside the plain text and the picture. Nothing else is ever asked of an
// owner: office and drawing programs render, export or link for each format they are asked for.
namespace KeptFormats {

inline constexpr std::string_view html = "text/html";
inline constexpr std::string_view rtf = "text/rtf";
inline constexpr std::string_view richText = "text/richtext";
inline constexpr std::string_view uriList = "text/uri-list";
inline constexpr std::string_view gnomeFiles = "x-special/gnome-copied-files";
inline constexpr std::string_view kdeCut = "application/x-kde-cutselection";

// Largest formatted text kept (HTML, RTF): 8 MiB each.
inline constexpr size_t maxFormattedBytes = 8 * 1024 * 1024;
// Largest list of copied files kept: 1 MiB each.
inline constexpr size_t maxFilesBytes = 1024 * 1024;
// The most all extra formats of one entry may add up to.
inline constexpr size_t maxEntryBytes = 16 * 1024 * 1024;
// The most formats one entry keeps: HTML, one rich text and the three names of a file list.
inline constexpr size_t maxFormats = 5;

// Whether `type` is one of the kept formats, by its stored name.
bool isKept(std::string_view type);

// The largest `type` is read and kept at; 0 for a type that is not kept.
size_t capFor(std::string_view type);

// One format to read from an owner: the target or MIME type asked for, and the kept type its
// bytes are stored as.
struct Read {
    std::string offered;
    std::string keptAs;
};

// The kept formats an owner offering `offered` (X11 targets or MIME types, which name these
// formats alike) is asked for, in the order they are read: HTML (plain "text/html" first, else
// one of its charset variants), one rich text, then every name of the copied-files unit.
std::vector<Read> formatsToRead(const std::vector<std::string>& offered);

// Whether an owner offering `offered` is asked for a picture: never beside a plain text (the
// text is the copy; asking an office program for a picture makes it render one), but a
// browser's copied image, which names no text but its HTML, is a picture.
bool readsPicture(const std::vector<std::string>& offered);

// The bytes of a format read as `offered`, made ready to keep as `keptAs`: HTML becomes UTF-8
// (browsers send UTF-16 with a byte-order mark under some names). Nothing when they cannot be.
std::optional<std::string> normalised(std::string_view offered, std::string_view keptAs, std::string bytes);

// The paths (or, for other places, the URIs) of a "text/uri-list", in order, comments and blank
// lines left out; at most `limit` of them.
std::vector<std::string> filesOfUriList(std::string_view list, size_t limit = 10000);

} // namespace KeptFormats

} // namespace brimble
