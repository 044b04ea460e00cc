#include "platform/gtk/LibraryPages.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace brimble {

namespace {

constexpr uint64_t pagePresent = uint64_t{1} << 63;
constexpr uint64_t pageSwapped = uint64_t{1} << 62;
constexpr uint64_t pageFileOrShared = uint64_t{1} << 61;

bool droppable(uint64_t entry)
{
    if (entry & pageSwapped)
        return false;
    return !(entry & pagePresent) || (entry & pageFileOrShared);
}

struct Mapping {
    uintptr_t start;
    uintptr_t end;
};

// Mappings of shared objects that the process cannot write to: code ("r-xp") and read-only data
// ("r--p"). Data files mapped by libraries (caches, schemas) are left alone.
std::vector<Mapping> readOnlyLibraryMappings()
{
    std::vector<Mapping> found;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        unsigned long start = 0;
        unsigned long end = 0;
        char permissions[5] = {};
        int pathAt = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx %4s %*s %*s %*s %n", &start, &end, permissions, &pathAt) < 3
            || pathAt <= 0)
            continue;
        const std::string_view kind(permissions);
        const std::string_view path = std::string_view(line).substr(static_cast<size_t>(pathAt));
        if ((kind != "r-xp" && kind != "r--p") || !path.starts_with('/') || path.find(".so") == std::string_view::npos)
            continue;
        found.push_back({start, end});
    }
    return found;
}

} // namespace

std::vector<std::pair<size_t, size_t>> droppablePageRuns(std::span<const uint64_t> pagemapEntries)
{
    std::vector<std::pair<size_t, size_t>> runs;
    size_t index = 0;
    while (index < pagemapEntries.size()) {
        if (!droppable(pagemapEntries[index])) {
            ++index;
            continue;
        }
        const size_t first = index;
        while (index < pagemapEntries.size() && droppable(pagemapEntries[index]))
            ++index;
        runs.emplace_back(first, index);
    }
    return runs;
}

size_t releaseLibraryFilePages()
{
    const long pageSize = sysconf(_SC_PAGESIZE);
    const int pagemap = open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
    if (pageSize <= 0 || pagemap < 0) {
        if (pagemap >= 0)
            close(pagemap);
        return 0;
    }
    const auto page = static_cast<uintptr_t>(pageSize);
    size_t released = 0;
    std::vector<uint64_t> entries;
    for (const Mapping& mapping : readOnlyLibraryMappings()) {
        const size_t pages = (mapping.end - mapping.start) / page;
        entries.resize(pages);
        const auto bytes = static_cast<ssize_t>(pages * sizeof(uint64_t));
        const auto offset = static_cast<off_t>(mapping.start / page * sizeof(uint64_t));
        // Without a full answer nothing is known of the pages, and they are kept.
        if (pread(pagemap, entries.data(), static_cast<size_t>(bytes), offset) != bytes)
            continue;
        for (const auto& [first, end] : droppablePageRuns(entries)) {
            void* at = reinterpret_cast<void*>(mapping.start + first * page);
            if (madvise(at, (end - first) * page, MADV_DONTNEED) == 0)
                released += (end - first) * page;
        }
    }
    close(pagemap);
    return released;
}

} // namespace brimble
