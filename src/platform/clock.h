// A millisecond tick count for measuring intervals.
#ifndef QEL_PLATFORM_CLOCK_H_
#define QEL_PLATFORM_CLOCK_H_

#include <cstdint>

// Milliseconds of the monotonic clock: never jumps with the wall clock, so
// differences of two readings are true durations.
uint64_t GetTickCountMs();

#endif  // QEL_PLATFORM_CLOCK_H_
