#pragma once

#include <utility>

#include <glib-object.h>

namespace brimble {

// Owns one reference to a GObject and drops it when destroyed. Move-only.
template <typename T>
class GObjectPtr {
public:
    GObjectPtr() = default;
    explicit GObjectPtr(T* adopted) : ptr_(adopted) {}
    ~GObjectPtr() { reset(); }

    GObjectPtr(GObjectPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    GObjectPtr& operator=(GObjectPtr&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.ptr_, nullptr));
        return *this;
    }
    GObjectPtr(const GObjectPtr&) = delete;
    GObjectPtr& operator=(const GObjectPtr&) = delete;

    T* get() const { return ptr_; }
    explicit operator bool() const { return ptr_ != nullptr; }

    // Hands the reference over to the caller.
    T* release() { return std::exchange(ptr_, nullptr); }

    // Takes over `adopted` (may be null) and drops the reference held before.
    void reset(T* adopted = nullptr)
    {
        T* old = std::exchange(ptr_, adopted);
        if (old)
            g_object_unref(old);
    }

private:
    T* ptr_ = nullptr;
};

} // namespace brimble
