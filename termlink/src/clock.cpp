#include "clock.h"

namespace termlink {

namespace detail {
std::atomic<Clock*> replacedClock{nullptr};
}

void SetClock(Clock* clock) {
    detail::replacedClock.store(clock, std::memory_order_release);
}

} // namespace termlink
