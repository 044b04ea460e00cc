#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <glib.h>

namespace brimble::wayland {

// Reads a pipe to its end from the main loop, without blocking it. Gives up, closing the pipe,
// when more than `limit` bytes arrive or the writer has not closed its end within `timeoutMs`
// (a program that hangs, or never closes, must not hold the clipboard's reads forever).
class PipeReader {
public:
    // Called once with the bytes read, or nothing when the read failed, overran or timed out.
    // It may destroy the reader.
    using Done = std::function<void(std::optional<std::string>)>;

    // Takes ownership of `fd`, which must be non-blocking.
    PipeReader(int fd, size_t limit, unsigned timeoutMs, Done done);
    // Closes the pipe; `done` is not called.
    ~PipeReader();
    PipeReader(const PipeReader&) = delete;
    PipeReader& operator=(const PipeReader&) = delete;

private:
    static gboolean onReadable(gint fd, GIOCondition condition, gpointer self);
    static gboolean onTimeout(gpointer self);
    void finish(std::optional<std::string> result);

    int fd_;
    size_t limit_;
    std::string bytes_;
    guint watch_ = 0;
    guint timer_ = 0;
    Done done_;
};

// Writes bytes into a pipe from the main loop, without blocking it, then closes the pipe. Gives
// up when the reader has not taken everything within `timeoutMs`.
class PipeWriter {
public:
    // Called once when the write ended, well or not. It may destroy the writer.
    using Done = std::function<void()>;

    // Takes ownership of `fd`; makes it non-blocking.
    PipeWriter(int fd, std::shared_ptr<const std::string> bytes, unsigned timeoutMs, Done done);
    ~PipeWriter();
    PipeWriter(const PipeWriter&) = delete;
    PipeWriter& operator=(const PipeWriter&) = delete;

private:
    static gboolean onWritable(gint fd, GIOCondition condition, gpointer self);
    static gboolean onTimeout(gpointer self);
    void finish();

    int fd_;
    std::shared_ptr<const std::string> bytes_;
    size_t written_ = 0;
    guint watch_ = 0;
    guint timer_ = 0;
    Done done_;
};

} // namespace brimble::wayland
