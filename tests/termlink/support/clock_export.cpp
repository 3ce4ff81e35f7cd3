// Built into the test build of the termlink library (and into the tests that link termlink's
// objects themselves): lets a test program set the clock that termlink's time goes through.
#include "clock.h"

#if defined(_WIN32)
#define CLOCK_EXPORT extern "C" __declspec(dllexport)
#else
#define CLOCK_EXPORT extern "C" __attribute__((visibility("default")))
#endif

CLOCK_EXPORT void termlink_SetClock(termlink::Clock* clock) {
    termlink::SetClock(clock);
}
