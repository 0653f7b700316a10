// Slice and connection counts that come from the strategy service are kept
// within what the engine can carry before they reach it.
#ifndef QEL_ENGINE_SERVER_COUNTS_H_
#define QEL_ENGINE_SERVER_COUNTS_H_

#include <cstdint>

namespace ns_Drav {

constexpr int kMaxSegments = 4096;
constexpr int kMaxConnections = 64;

// Below 1: 24 (the default). Above the limit: the limit, with a log line.
int ClampSegments(int segments);
int ClampConnections(int connections);

// A plan never has more segments than the package has bytes.
int SegmentsForSize(int segments, int64_t totalSize);

}  // namespace ns_Drav

#endif  // QEL_ENGINE_SERVER_COUNTS_H_
