#include "os.h"

namespace termlink::os {

std::atomic<int> eventCreatesBeforeFailure{-1};
std::atomic<int> threadStartsBeforeFailure{-1};

bool InjectedFailure(std::atomic<int>& creationsBeforeFailure) {
    int left = creationsBeforeFailure.load();
    while (left >= 0) {
        if (creationsBeforeFailure.compare_exchange_weak(left, left - 1)) {
            return left == 0;
        }
    }
    return false;
}

} // namespace termlink::os
