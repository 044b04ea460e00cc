#include "bridge/FilePresence.h"

#include <memory>

namespace brimble {

namespace {

// Looked at together; a hung mount ties up at most these of GIO's threads.
constexpr int askedAtOnce = 8;
// Paths remembered; past this the ones not being asked about are forgotten, to be asked anew.
constexpr size_t rememberedPaths = 20000;

} // namespace

FilePresence::FilePresence(std::function<void()> changed, double freshSeconds)
    : changed_(std::move(changed))
    , freshUs_(static_cast<gint64>(freshSeconds * G_USEC_PER_SEC))
    , cancellable_(g_cancellable_new())
{
}

FilePresence::~FilePresence()
{
    // Answers still on their way come back cancelled and touch nothing of this.
    g_cancellable_cancel(cancellable_);
    g_object_unref(cancellable_);
    if (changedSource_)
        g_source_remove(changedSource_);
}

bool FilePresence::isMissing(const std::string& path)
{
    if (known_.size() >= rememberedPaths && !known_.contains(path))
        std::erase_if(known_, [](const auto& item) { return !item.second.asking; });
    Known& known = known_[path];
    const bool stale = known.answeredUs < 0 || g_get_monotonic_time() - known.answeredUs >= freshUs_;
    if (stale && !known.asking) {
        known.asking = true;
        waiting_.push_back(path);
        askNext();
    }
    return known.missing;
}

void FilePresence::askNext()
{
    while (asking_ < askedAtOnce && !waiting_.empty()) {
        const std::string path = std::move(waiting_.front());
        waiting_.pop_front();
        ++asking_;
        GFile* file = g_file_new_for_path(path.c_str());
        // Links are followed, as a paste of the file would.
        g_file_query_info_async(file, G_FILE_ATTRIBUTE_STANDARD_TYPE, G_FILE_QUERY_INFO_NONE, G_PRIORITY_LOW,
                                cancellable_, onAnswer, new Question{this, path});
        g_object_unref(file);
    }
}

void FilePresence::onAnswer(GObject* source, GAsyncResult* result, gpointer data)
{
    const std::unique_ptr<Question> question(static_cast<Question*>(data));
    GError* error = nullptr;
    GFileInfo* info = g_file_query_info_finish(G_FILE(source), result, &error);
    if (info)
        g_object_unref(info);
    if (error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
        g_error_free(error);
        return;
    }
    // Anything that keeps the file from being reached marks it, as a paste would fail.
    const bool missing = error != nullptr;
    if (error)
        g_error_free(error);
    FilePresence* self = question->self;
    --self->asking_;
    self->answered(question->path, missing);
    self->askNext();
}

void FilePresence::answered(const std::string& path, bool missing)
{
    auto found = known_.find(path);
    if (found == known_.end())
        return;
    Known& known = found->second;
    known.asking = false;
    known.answeredUs = g_get_monotonic_time();
    if (known.missing == missing)
        return;
    known.missing = missing;
    if (changed_ && !changedSource_)
        changedSource_ = g_idle_add(onChanged, this);
}

gboolean FilePresence::onChanged(gpointer data)
{
    auto* self = static_cast<FilePresence*>(data);
    self->changedSource_ = 0;
    self->changed_();
    return G_SOURCE_REMOVE;
}

} // namespace brimble
