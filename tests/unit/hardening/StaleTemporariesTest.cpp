// A writer killed in the middle of an atomic write leaves GLib's temporary beside the file. The
// next start must remove it, keep the file itself whole, and leave everything else alone.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <functional>

#include <gtest/gtest.h>

#include "common/AtomicFile.h"
#include "history/ClipCodec.h"
#include "platform/JsonFileDefaults.h"
#include "sessions/SessionStore.h"
#include "support/HubFixture.h"
#include "unit/history/CaptureFixture.h"

namespace brimble::test {
namespace {

std::vector<std::string> namesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Writes `bytes` over `file` in a child process that the kernel kills part-way through the
// write (SIGXFSZ at a file size limit), exactly as SIGKILL or a crash inside the write would.
// Returns whether the child died by that signal.
bool writeKilledMidway(const std::filesystem::path& file, const std::string& bytes)
{
    const pid_t child = fork();
    if (child == 0) {
        rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = bytes.size() / 2;
        setrlimit(RLIMIT_FSIZE, &limit);
        writeFileAtomically(file, bytes, 0600);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ;
}

bool isTemporaryName(const std::string& name, const std::string& target)
{
    return name.size() == target.size() + 7 && name.starts_with(target + ".");
}

struct LoaderRow {
    const char* name;
    const char* fileName;
    const char* folder; // below the temporary home
    std::function<void(const std::filesystem::path& home)> load;
};

class KilledWrite : public ::testing::TestWithParam<LoaderRow> {};

TEST_P(KilledWrite, LeftoverTemporaryIsRemovedAtLoadAndTheFileIsWhole)
{
    const LoaderRow& row = GetParam();
    TempDir home;
    const auto file = home / row.folder / row.fileName;
    const std::string whole = "[]";
    writeFile(file, whole);
    ASSERT_TRUE(writeKilledMidway(file, std::string(64 * 1024, ' ') + "[]"));
    const auto left = namesIn(file.parent_path());
    ASSERT_EQ(left.size(), 2u) << "the killed write should have left its temporary";
    ASSERT_TRUE(isTemporaryName(left[0] == row.fileName ? left[1] : left[0], row.fileName));
    EXPECT_EQ(readFile(file), whole) << "a killed write never touches the file itself";

    row.load(home.path());

    EXPECT_EQ(namesIn(file.parent_path()), std::vector<std::string>{row.fileName});
    EXPECT_EQ(readFile(file), whole);
}

INSTANTIATE_TEST_SUITE_P(
    Files, KilledWrite,
    ::testing::Values(
        LoaderRow{"History", "clipboard.json", "data/Brimble",
                  [](const std::filesystem::path& home) {
                      FakePlatform fake;
                      ClipboardStore store(home / "data", fake.defaults);
                  }},
        LoaderRow{"Sessions", "sessions.json", "data/Brimble",
                  [](const std::filesystem::path& home) { SessionStore store(home / "data"); }},
        LoaderRow{"Blocks", "blocks.json", "data/Brimble",
                  [](const std::filesystem::path& home) { SessionStore store(home / "data"); }},
        LoaderRow{"Settings", "settings.json", "config/Brimble",
                  [](const std::filesystem::path& home) {
                      JsonFileDefaults defaults(home / "config" / "Brimble" / "settings.json");
                  }}),
    [](const auto& info) { return std::string(info.param.name); });

// Only the shape of GLib's temporaries of the store's own files goes: six letters or digits
// after the file's name and a dot, and a plain file.
TEST(StaleTemporaries, EverythingElseInTheFolderStays)
{
    TempDir home;
    const auto dataDir = home / "data" / "Brimble";
    writeFile(dataDir / "clipboard.json", "[]");
    writeFile(dataDir / "clipboard.json.Ab3xY9", "stale");
    const std::vector<std::string> kept = {
        "clipboard.json",
        "clipboard.json.Ab3xY",                            // five characters
        "clipboard.json.Ab3xY9z",                          // seven
        "clipboard.json.Ab-xY9",                           // not a letter or digit
        "clipboard.json.unreadable-20261207T083000Z",      // a copy kept for rescue
        "other.json.Ab3xY9",                               // another file's
        "clipboard.jsonXAb3xY9",                           // no dot
    };
    for (const auto& name : kept)
        writeFile(dataDir / name, "keep");
    std::filesystem::create_directory(dataDir / "clipboard.json.Folder");

    FakePlatform fake;
    ClipboardStore store(home / "data", fake.defaults);

    std::vector<std::string> expected = kept;
    expected.push_back("clipboard.json.Folder");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesIn(dataDir), expected);
}

// A picture whose write was cut short leaves "<UUID>.png.XXXXXX" in the picture folder; nothing
// names it, so the prune at launch takes it away.
TEST(StaleTemporaries, PictureTemporaryGoesAtLaunch)
{
    HubFixture f;
    const auto images = f.dataDir() / "clipboard-images";
    const auto picture = images / "0A1B2C3D-0000-4000-8000-00000000AAAA.png";
    const Bytes png = pictureBytes(300, 200, "png", 0x12345678);
    std::filesystem::create_directories(images);
    ASSERT_TRUE(writeKilledMidway(picture, std::string(png.begin(), png.end())));
    ASSERT_EQ(namesIn(images).size(), 1u);

    f.launch();
    EXPECT_EQ(namesIn(images), std::vector<std::string>{});
}

} // namespace
} // namespace brimble::test
