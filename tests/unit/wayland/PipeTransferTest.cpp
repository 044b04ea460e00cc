#include <gtest/gtest.h>

#include <fcntl.h>
#include <glib.h>
#include <unistd.h>

#include "platform/wayland/PipeTransfer.h"

namespace brimble::wayland {
namespace {

// Both ends of a fresh non-blocking pipe.
struct Pipe {
    Pipe() { EXPECT_EQ(pipe2(fds, O_CLOEXEC | O_NONBLOCK), 0); }
    int fds[2] = {-1, -1};
};

// Runs the default main loop until `done` or a generous deadline.
void runUntil(const bool& done)
{
    const gint64 deadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
    while (!done && g_get_monotonic_time() < deadline)
        g_main_context_iteration(nullptr, TRUE);
}

TEST(PipeTransferTest, PayloadLargerThanThePipeBufferArrivesWhole)
{
    // A pipe holds 64 KiB; the rest must wait for the reader without blocking the loop.
    std::string payload(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<char>(i * 31 % 251);
    Pipe pipe;
    bool written = false;
    bool read = false;
    std::optional<std::string> result;
    PipeWriter writer(pipe.fds[1], std::make_shared<const std::string>(payload), 10000, [&] { written = true; });
    PipeReader reader(pipe.fds[0], payload.size(), 10000, [&](std::optional<std::string> bytes) {
        result = std::move(bytes);
        read = true;
    });
    runUntil(read);
    EXPECT_TRUE(written);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->size(), payload.size());
    EXPECT_EQ(*result, payload);
}

TEST(PipeTransferTest, TextOverTheLimitIsRefusedRatherThanCut)
{
    // A truncated text would be recorded as if it had been copied so.
    Pipe pipe;
    bool read = false;
    std::optional<std::string> result = "unset";
    ASSERT_EQ(write(pipe.fds[1], "0123456789", 10), 10);
    close(pipe.fds[1]);
    PipeReader reader(pipe.fds[0], 9, 10000, [&](std::optional<std::string> bytes) {
        result = std::move(bytes);
        read = true;
    });
    runUntil(read);
    EXPECT_EQ(result, std::nullopt);
}

TEST(PipeTransferTest, WriterThatNeverClosesItsEndIsGivenUpOn)
{
    Pipe pipe;
    ASSERT_EQ(write(pipe.fds[1], "partial", 7), 7);
    bool read = false;
    std::optional<std::string> result = "unset";
    PipeReader reader(pipe.fds[0], 1024, 50, [&](std::optional<std::string> bytes) {
        result = std::move(bytes);
        read = true;
    });
    runUntil(read);
    EXPECT_TRUE(read);
    EXPECT_EQ(result, std::nullopt);
    close(pipe.fds[1]);
}

TEST(PipeTransferTest, ReaderMayBeDestroyedFromItsOwnCallback)
{
    Pipe pipe;
    close(pipe.fds[1]);
    bool read = false;
    std::unique_ptr<PipeReader> reader;
    reader = std::make_unique<PipeReader>(pipe.fds[0], 16, 10000, [&](std::optional<std::string> bytes) {
        EXPECT_EQ(bytes, "");
        reader.reset();
        read = true;
    });
    runUntil(read);
    EXPECT_EQ(reader, nullptr);
}

TEST(PipeTransferTest, WriteToAReaderThatWentAwayEndsWithoutKillingTheProcess)
{
    // The Wayland pasteboard ignores SIGPIPE; without that, this write would end the process.
    signal(SIGPIPE, SIG_IGN);
    Pipe pipe;
    close(pipe.fds[0]);
    bool written = false;
    PipeWriter writer(pipe.fds[1], std::make_shared<const std::string>(1024, 'x'), 10000, [&] { written = true; });
    runUntil(written);
    EXPECT_TRUE(written);
}

} // namespace
} // namespace brimble::wayland
