// The short bandwidth probe that a preheat answer asks for: the first few
// megabytes of the package from the CDN, timed.
#ifndef QEL_SERVICE_CDN_PROBE_H_
#define QEL_SERVICE_CDN_PROBE_H_

#include <cstdint>
#include <string>

// Fetches bytes 0 to probeSizeMb MiB - 1 of `url` for at most maxProbeTimeS
// seconds and returns the throughput in millions of bytes per second (0 when
// nothing was measured). Running into the time limit still counts as a
// measurement. `elapsedSeconds` and `receivedBytes` (either may be null) are
// 0 unless a throughput is returned.
double ProbeCdnBandwidth(const std::string& url,
                         int probeSizeMb,
                         int maxProbeTimeS,
                         double* elapsedSeconds,
                         int64_t* receivedBytes);

// bytes / seconds / 1 000 000; 0 for no bytes or less than a millisecond.
double ProbeThroughput(int64_t bytes, double elapsedSeconds);

#endif  // QEL_SERVICE_CDN_PROBE_H_
