// How a package is cut and how much memory each connection gets.
#ifndef QEL_ENGINE_RANGE_PLAN_H_
#define QEL_ENGINE_RANGE_PLAN_H_

#include <cstdint>
#include <vector>

#include "engine/resume_record.h"

namespace ns_Drav {

constexpr int64_t kMiB = 1024 * 1024;
constexpr int kDefaultBufferSize = 5 * 1024 * 1024;
constexpr int kDefaultThreadCount = 24;

// Without a custom configuration a package is cut into slices of about
// this size, at least one per connection. The connections take the slices
// front to back, so the file fills from its start and its digest, hashed
// as the bytes arrive, is ready soon after the last byte.
constexpr int64_t kDefaultSliceBytes = 4 * kMiB;
int DefaultSegments(int64_t totalSize, int threadCount);

// `segments` ranges of ceil(total / segments) bytes, the last one shorter.
// Segments that would start at or past the end are left out.
std::vector<ByteRange> PlanSegments(int64_t totalSize, int segments);

struct ThreadBuffer {
  int threadCount = kDefaultThreadCount;
  int bufferSize = kDefaultBufferSize;
};

// Connections and buffer size from `available` bytes of physical memory
// (negative: unknown, taken as plenty): 24 x 5 MiB when 120 MiB are there;
// else 24 buffers of available / 24, and below 1 MiB each, 1 MiB buffers
// for as many connections as fit (at least one).
ThreadBuffer ThreadBufferForMemory(int64_t available);

// The buffer of restarted and split ranges: the available memory, at most
// 5 MiB.
int FreeMemoryBufferCap(int64_t available);

// The smallest buffer a range may start with.
inline int64_t MinimumBufferSize(int threadCount) {
  return threadCount < 2 ? 256 * 1024 : 512 * 1024;
}

}  // namespace ns_Drav

#endif  // QEL_ENGINE_RANGE_PLAN_H_
