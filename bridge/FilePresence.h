#pragma once

#include <deque>
#include <functional>
#include <string>
#include <unordered_map>

#include <gio/gio.h>

namespace brimble {

// Whether the files of copied-files cards still stand where they were copied from, looked at
// off the main loop. A snapshot may name ten thousand of them (the history limit's worth of
// cards, twenty files each), and one on a slow or hung network mount would otherwise hold the
// window for as long as the server takes. Each path is looked at by GIO in its own threads, a
// few at a time; a snapshot shows what is known, a path never looked at as present, and
// `changed` runs (once per turn of the main loop) when an answer differs from what was shown.
class FilePresence {
public:
    // Answers older than `freshSeconds` are asked again when a snapshot next names them.
    explicit FilePresence(std::function<void()> changed, double freshSeconds = 1.0);
    ~FilePresence();
    FilePresence(const FilePresence&) = delete;
    FilePresence& operator=(const FilePresence&) = delete;

    // Whether `path` was last found missing; asks again in the background when the answer is
    // not fresh.
    bool isMissing(const std::string& path);

private:
    struct Known {
        bool missing = false;
        bool asking = false;
        gint64 answeredUs = -1; // never answered
    };

    // One path asked about, and who asked.
    struct Question {
        FilePresence* self;
        std::string path;
    };

    static void onAnswer(GObject* source, GAsyncResult* result, gpointer self);
    static gboolean onChanged(gpointer self);
    void askNext();
    void answered(const std::string& path, bool missing);

    std::function<void()> changed_;
    gint64 freshUs_;
    GCancellable* cancellable_;
    std::unordered_map<std::string, Known> known_;
    std::deque<std::string> waiting_;
    int asking_ = 0;
    guint changedSource_ = 0;
};

} // namespace brimble
