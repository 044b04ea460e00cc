#pragma once

#include <filesystem>
#include <string>

namespace brimble::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Reads a whole file; "" when it cannot be read.
std::string readFile(const std::filesystem::path& path);
// Writes a whole file, creating parent folders.
void writeFile(const std::filesystem::path& path, const std::string& bytes);
// The permission bits of a file, or -1.
int fileMode(const std::filesystem::path& path);

} // namespace brimble::test
