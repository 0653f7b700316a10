#include "engine/range_plan.h"

#include <algorithm>

namespace ns_Drav {

std::vector<ByteRange> PlanSegments(int64_t totalSize, int segments) {
  std::vector<ByteRange> plan;
  if (totalSize <= 0)
    return plan;
  segments = std::max(segments, 1);
  int64_t length = (totalSize + segments - 1) / segments;
  for (int i = 0; i < segments; ++i) {
    int64_t start = static_cast<int64_t>(i) * length;
    if (start >= totalSize)
      break;
    plan.push_back({start, std::min(start + length - 1, totalSize - 1)});
  }
  return plan;
}

int DefaultSegments(int64_t totalSize, int threadCount) {
  constexpr int64_t kMostSegments = 4096;
  int64_t slices = (std::max<int64_t>(totalSize, 0) + kDefaultSliceBytes - 1) / kDefaultSliceBytes;
  return static_cast<int>(std::max<int64_t>(threadCount, std::min(slices, kMostSegments)));
}

ThreadBuffer ThreadBufferForMemory(int64_t available) {
  constexpr int64_t kPlenty = kDefaultThreadCount * int64_t{kDefaultBufferSize};
  ThreadBuffer result;
  if (available < 0 || available >= kPlenty)
    return result;
  result.bufferSize = static_cast<int>(available / kDefaultThreadCount);
  if (result.bufferSize < kMiB) {
    result.bufferSize = static_cast<int>(kMiB);
    result.threadCount = static_cast<int>(std::max<int64_t>(available / kMiB, 1));
  }
  return result;
}

int FreeMemoryBufferCap(int64_t available) {
  if (available < 0 || available > kDefaultBufferSize)
    return kDefaultBufferSize;
  return static_cast<int>(available);
}

}  // namespace ns_Drav
