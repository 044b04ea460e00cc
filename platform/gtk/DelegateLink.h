#pragma once

#include <memory>

#include "platform/AppDelegate.h"

namespace brimble {

// The program's delegate as every GTK callback reaches it: held weakly, so a callback that
// arrives after the program let go of it does nothing.
class DelegateLink {
public:
    void set(std::weak_ptr<AppDelegate> delegate) { delegate_ = std::move(delegate); }
    std::shared_ptr<AppDelegate> lock() const { return delegate_.lock(); }
    std::weak_ptr<AppDelegate> weak() const { return delegate_; }

private:
    std::weak_ptr<AppDelegate> delegate_;
};

} // namespace brimble
