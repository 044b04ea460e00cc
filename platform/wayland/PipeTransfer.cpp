#include "platform/wayland/PipeTransfer.h"

#include <cerrno>

#include <fcntl.h>
#include <glib-unix.h>
#include <unistd.h>

namespace brimble::wayland {

namespace {

constexpr size_t chunkSize = 64 * 1024;

void removeSource(guint& id)
{
    if (id)
        g_source_remove(id);
    id = 0;
}

void closeDescriptor(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

} // namespace

PipeReader::PipeReader(int fd, size_t limit, unsigned timeoutMs, Done done)
    : fd_(fd), limit_(limit), done_(std::move(done))
{
    watch_ = g_unix_fd_add(fd_, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), onReadable, this);
    timer_ = g_timeout_add(timeoutMs, onTimeout, this);
}

PipeReader::~PipeReader()
{
    removeSource(watch_);
    removeSource(timer_);
    closeDescriptor(fd_);
}

gboolean PipeReader::onReadable(gint fd, GIOCondition, gpointer data)
{
    auto* self = static_cast<PipeReader*>(data);
    char chunk[chunkSize];
    // Reads what is there now; the loop calls again when more arrives.
    for (;;) {
        const ssize_t count = read(fd, chunk, sizeof chunk);
        if (count > 0) {
            if (self->bytes_.size() + static_cast<size_t>(count) > self->limit_) {
                self->watch_ = 0;
                self->finish(std::nullopt);
                return G_SOURCE_REMOVE;
            }
            self->bytes_.append(chunk, static_cast<size_t>(count));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return G_SOURCE_CONTINUE;
        self->watch_ = 0;
        if (count == 0)
            self->finish(std::move(self->bytes_));
        else
            self->finish(std::nullopt);
        return G_SOURCE_REMOVE;
    }
}

gboolean PipeReader::onTimeout(gpointer data)
{
    auto* self = static_cast<PipeReader*>(data);
    self->timer_ = 0;
    self->finish(std::nullopt);
    return G_SOURCE_REMOVE;
}

void PipeReader::finish(std::optional<std::string> result)
{
    removeSource(watch_);
    removeSource(timer_);
    closeDescriptor(fd_);
    // `done` may destroy this reader, so nothing of it is touched after the call.
    Done done = std::move(done_);
    if (done)
        done(std::move(result));
}

PipeWriter::PipeWriter(int fd, std::shared_ptr<const std::string> bytes, unsigned timeoutMs, Done done)
    : fd_(fd), bytes_(std::move(bytes)), done_(std::move(done))
{
    fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    watch_ = g_unix_fd_add(fd_, static_cast<GIOCondition>(G_IO_OUT | G_IO_HUP | G_IO_ERR), onWritable, this);
    timer_ = g_timeout_add(timeoutMs, onTimeout, this);
}

PipeWriter::~PipeWriter()
{
    removeSource(watch_);
    removeSource(timer_);
    closeDescriptor(fd_);
}

gboolean PipeWriter::onWritable(gint fd, GIOCondition, gpointer data)
{
    auto* self = static_cast<PipeWriter*>(data);
    const std::string& bytes = *self->bytes_;
    while (self->written_ < bytes.size()) {
        const ssize_t count = write(fd, bytes.data() + self->written_, bytes.size() - self->written_);
        if (count > 0) {
            self->written_ += static_cast<size_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return G_SOURCE_CONTINUE;
        break; // The reader went away (EPIPE) or the pipe failed.
    }
    self->watch_ = 0;
    self->finish();
    return G_SOURCE_REMOVE;
}

gboolean PipeWriter::onTimeout(gpointer data)
{
    auto* self = static_cast<PipeWriter*>(data);
    self->timer_ = 0;
    self->finish();
    return G_SOURCE_REMOVE;
}

void PipeWriter::finish()
{
    removeSource(watch_);
    removeSource(timer_);
    closeDescriptor(fd_);
    Done done = std::move(done_);
    if (done)
        done();
}

} // namespace brimble::wayland
