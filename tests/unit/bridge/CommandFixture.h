#pragma once

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "bridge/ClipCommands.h"
#include "support/TempDir.h"
#include "unit/bridge/RecordingTarget.h"

namespace brimble::test {

// A data file as it lies on disk: a rewrite shows as a new inode or modification time even when
// the content stayed the same.
struct FileState {
    bool exists = false;
    std::string bytes;
    ino_t inode = 0;
    int64_t mtimeNs = 0;

    bool operator==(const FileState&) const = default;
};

inline FileState fileState(const std::filesystem::path& path)
{
    FileState state;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return state;
    state.exists = true;
    state.bytes = readFile(path);
    state.inode = info.st_ino;
    state.mtimeNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    return state;
}

// Two sessions, blocks and entries on a temporary folder, all three files written:
//   S1 "Work" (current): P pinned, A in block K1, B, C      S2 "Home": X; block K2
class CommandFixture {
public:
    inline static const std::vector<std::string> dataFiles = {"clipboard.json", "sessions.json", "blocks.json"};

    CommandFixture()
    {
        target.sessions.sessions = {{"S1", "Work", 1.0}, {"S2", "Home", 2.0}};
        target.sessions.blocks = {{"K1", "Links", "rose", false, "S1", 0}, {"K2", "Misc", "peach", false, "S2", 0}};
        target.clip.items = {
            entry("P", "Pinned", "S1", {}, true),
            entry("A", "Alpha", "S1", "K1"),
            entry("B", "Bravo", "S1"),
            entry("C", "Charlie", "S1"),
            entry("X", "Xray", "S2"),
        };
        target.sessions.saveSessions();
        target.sessions.saveBlocks();
        target.clip.save();
        target.fake.defaults.setRaw("activeSessionId", std::string("S1"));
        target.fake.log_.clear();
    }

    static Clip entry(const std::string& id, const std::string& text, const std::string& sessionId,
                      std::optional<std::string> blockId = {}, bool pinned = false)
    {
        Clip clip;
        clip.id = id;
        clip.ts = 100;
        clip.text = text;
        clip.pinned = pinned;
        clip.sessionId = sessionId;
        clip.blockId = std::move(blockId);
        return clip;
    }

    void send(const std::string& body) { receiveScriptMessage(target, clipChannel, body); }

    std::filesystem::path dataFolder() const { return dir.path() / "Brimble"; }

    std::map<std::string, FileState> files() const
    {
        std::map<std::string, FileState> states;
        for (const std::string& name : dataFiles)
            states[name] = fileState(dataFolder() / name);
        return states;
    }

    // The data files that differ from `before` in content, inode or modification time.
    std::set<std::string> writtenSince(const std::map<std::string, FileState>& before) const
    {
        std::set<std::string> written;
        for (const auto& [name, state] : files()) {
            if (!(before.at(name) == state))
                written.insert(name);
        }
        return written;
    }

    std::vector<std::string> order() const
    {
        std::vector<std::string> ids;
        for (const Clip& clip : target.clip.items)
            ids.push_back(clip.id);
        return ids;
    }

    const Clip& clip(const std::string& id) const
    {
        for (const Clip& clip : target.clip.items) {
            if (clip.id == id)
                return clip;
        }
        ADD_FAILURE() << "no entry " << id;
        static const Clip none;
        return none;
    }

    TempDir dir;
    RecordingTarget target{dir.path()};
};

// One row of a command table: the body sent, the fake's log it must leave (its pushes included;
// "{session}" and "{block}" stand for the id of the newest session or block), the data files it
// must rewrite and nothing else, and any further check of the stores.
struct CommandCase {
    std::string name; // says which fault the row guards
    std::string body;
    std::vector<std::string> log;
    std::set<std::string> written;
    std::function<void(const CommandFixture&)> check = nullptr;
    std::function<void(CommandFixture&)> setup = nullptr;
};

// Failures name the row by its body rather than by its bytes.
inline void PrintTo(const CommandCase& row, std::ostream* out)
{
    *out << row.body;
}

inline std::string caseName(const ::testing::TestParamInfo<CommandCase>& info)
{
    return info.param.name;
}

inline std::vector<std::string> expandedLog(const CommandFixture& fixture, std::vector<std::string> lines)
{
    const auto replace = [](std::string& line, const std::string& token, const std::string& value) {
        if (const size_t at = line.find(token); at != std::string::npos)
            line.replace(at, token.size(), value);
    };
    const auto& sessions = fixture.target.sessions.sessions;
    const auto& blocks = fixture.target.sessions.blocks;
    for (std::string& line : lines) {
        replace(line, "{session}", sessions.empty() ? "" : sessions.back().id);
        replace(line, "{block}", blocks.empty() ? "" : blocks.back().id);
    }
    return lines;
}

// Runs one row on a freshly seeded fixture.
inline void runCase(CommandFixture& fixture, const CommandCase& row)
{
    if (row.setup) {
        row.setup(fixture);
        fixture.target.fake.log_.clear();
    }
    const auto before = fixture.files();
    fixture.send(row.body);
    EXPECT_EQ(fixture.target.log(), expandedLog(fixture, row.log)) << row.body;
    EXPECT_EQ(fixture.writtenSince(before), row.written) << row.body;
    if (row.check)
        row.check(fixture);
}

using Ids = std::vector<std::string>;
using Files = std::set<std::string>;
inline const Files noFiles{};
inline const Files historyFile{"clipboard.json"};
inline const Files sessionsFile{"sessions.json"};
inline const Files blocksFile{"blocks.json"};

} // namespace brimble::test
