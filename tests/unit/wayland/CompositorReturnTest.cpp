#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/wayland/CompositorReturn.h"

namespace brimble {
namespace {

using namespace std::chrono_literals;

TEST(CompositorReturnTest, OnlyTheProgramsOwnStartAgainWaitsForTheCompositor)
{
    struct Case {
        std::vector<std::string> arguments;
        bool waits;
    };
    const Case cases[] = {
        {{"brimble"}, false},
        {{"brimble", "--background"}, false},
        {{"brimble", "--background", "--await-compositor"}, true},
        // A file or folder of that name given to another option is not the option.
        {{"brimble", "--sync-folder", "await-compositor"}, false},
        {{"brimble", "--await-compositor=1"}, false},
    };
    for (const Case& item : cases) {
        std::vector<char*> argv;
        for (const std::string& argument : item.arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        EXPECT_EQ(askedToAwaitCompositor(static_cast<int>(argv.size()), argv.data()), item.waits)
            << item.arguments.back();
    }
}

// The start that waits must give up, so that a session that ended leaves no process behind; a
// compositor that takes the connection but never answers (stuck in its start) must not hold it
// past its limit either. That a compositor that answers ends the wait is the end-to-end test's.
TEST(CompositorReturnTest, GivesUpWithoutACompositorAndWithOneThatNeverAnswers)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("brimble-wl-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string socketPath = (folder / "wayland-test").string();
    const char* before = std::getenv("WAYLAND_DISPLAY");
    const std::string saved = before ? before : "";
    setenv("WAYLAND_DISPLAY", socketPath.c_str(), 1);

    EXPECT_FALSE(awaitCompositor(300ms));

    const int listening = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof(address.sun_path) - 1);
    ASSERT_EQ(bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(listening, 4), 0);
    EXPECT_FALSE(awaitCompositor(500ms));

    close(listening);
    std::filesystem::remove_all(folder);
    if (before)
        setenv("WAYLAND_DISPLAY", saved.c_str(), 1);
    else
        unsetenv("WAYLAND_DISPLAY");
}

} // namespace
} // namespace brimble
