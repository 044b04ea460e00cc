#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "history/Clip.h"

namespace brimble {

// One of the files a copied-files entry names, as its card shows it.
struct CopiedFile {
    std::string name;     // the last part of its path, for display
    bool missing = false; // nothing stands at its path now
    std::string path;     // where it was copied from; never sent to the page
};

// Whether the entry kept a formatted text (HTML or rich text) beside its plain one.
bool isFormatted(const Clip& clip);

// Whether the entry is a copy of files: it kept a list of them.
bool isCopiedFiles(const Clip& clip);

// The files of a copied-files entry, read from its text (their paths or file URIs, one a line),
// at most `limit`; `count` is told how many lines name one in all. `isMissing` tells whether a
// path is gone; without it each is looked at now.
std::vector<CopiedFile> copiedFiles(const Clip& clip, size_t limit, size_t& count,
                                    const std::function<bool(const std::string&)>& isMissing = {});

// The path of the copied-files entry's file at `index` in its card's list, when something
// stands there now; nothing for any other entry or index.
std::optional<std::string> copiedFilePath(const Clip& clip, size_t index);

} // namespace brimble
