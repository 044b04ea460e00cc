#pragma once

#include "platform/Clock.h"

namespace brimble {

// The wall clock of the system.
class SystemClock final : public Clock {
public:
    double now() override;
};

} // namespace brimble
