#include "engine/server_counts.h"

#include <cinttypes>

#include "engine/range_plan.h"
#include "foundation/log.h"

namespace ns_Drav {

namespace {

int Clamp(int value, int limit, const char* what) {
  if (value < 1)
    return kDefaultThreadCount;
  if (value > limit) {
    LOG_WARN("[WARN] multi, %s=[%d] clamped to [%d].", what, value, limit);
    return limit;
  }
  return value;
}

}  // namespace

int ClampSegments(int segments) {
  return Clamp(segments, kMaxSegments, "segments");
}

int ClampConnections(int connections) {
  return Clamp(connections, kMaxConnections, "maxConcurrent");
}

int SegmentsForSize(int segments, int64_t totalSize) {
  if (totalSize > 0 && segments > totalSize) {
    LOG_WARN("[WARN] multi, segments=[%d] clamped to the size=[%" PRId64 "].", segments, totalSize);
    return static_cast<int>(totalSize);
  }
  return segments;
}

}  // namespace ns_Drav
