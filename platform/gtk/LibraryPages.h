#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace brimble {

// Runs [first, end) of page indexes, within one mapping of a library file, that may be let go,
// read from the mapping's /proc/self/pagemap entries: a page still shared with the file (bit 61)
// or not in memory at all. A page the process wrote to is its own copy and is kept, such as the
// relocations the loader wrote into a segment that it then made read-only, and so is a page out
// in swap (bit 62), which can only be such a copy.
std::vector<std::pair<size_t, size_t>> droppablePageRuns(std::span<const uint64_t> pagemapEntries);

// Lets go of the pages of shared libraries mapped without write access (code, constants, symbol
// and relocation tables) that are unchanged copies of their files. They stay in the system's
// file cache and are faulted back as code needs them. Returns the bytes of the runs let go.
size_t releaseLibraryFilePages();

} // namespace brimble
