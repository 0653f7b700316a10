// The waits of the download engine, in one record, so that tests can make a
// fault run in seconds what takes minutes in the field. Production code never
// changes them.
#ifndef QEL_ENGINE_ENGINE_TIMING_H_
#define QEL_ENGINE_ENGINE_TIMING_H_

#include <cstdint>

namespace ns_Drav {

struct EngineTiming {
  // A connection that got data and then none for this long has stalled.
  int64_t stallMs = 10000;
  // Before the first byte: a transfer slower than the low-speed limit for
  // this long is ended by libcurl (whole seconds).
  int lowSpeedTimeSeconds = 90;
  int connectTimeoutSeconds = 15;
  // One "second" of the waits between attempts: min(2 x attempt, 10) of them,
  // and min(2 x attempt + 1, 12) after a digest mismatch.
  int64_t attemptSecondMs = 1000;
  // One "second" of the waits of the rename and record-removal retries.
  int64_t retrySecondMs = 1000;
  // Digest re-checks wait try x step; the check after the re-flush waits
  // md5ReflushWaitMs.
  int64_t md5RetryStepMs = 300;
  int64_t md5ReflushWaitMs = 1000;
  // Between two tries of the size query.
  int64_t sizeQueryRetryMs = 500;
  // The downloader watches its connections this often.
  int64_t monitorIntervalMs = 200;
};

// The timing that new downloaders take (a copy is made when one is built).
EngineTiming GetEngineTiming();
void SetEngineTiming(const EngineTiming& timing);

}  // namespace ns_Drav

#endif  // QEL_ENGINE_ENGINE_TIMING_H_
