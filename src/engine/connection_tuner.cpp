#include "engine/connection_tuner.h"

#include <algorithm>

#include "foundation/log.h"
#include "platform/tcp_stats.h"

namespace ns_Drav {

void ConnectionTuner::Reset(uint32_t tcpBytes) {
  last_tcp_ = tcpBytes;
  last_downloaded_ = 0;
}

int ConnectionTuner::Change(int proposed,
                            int threadCount,
                            int maxConcurrent,
                            int64_t downloaded,
                            uint32_t tcpBytes) {
  if (tcpBytes == last_tcp_)
    return 0;
  uint32_t tcp_delta = tcpBytes - last_tcp_;  // wraps like the counter
  int64_t own_delta = downloaded - last_downloaded_;
  int result = 0;
  if (static_cast<int64_t>(tcp_delta) > own_delta) {
    double ratio = static_cast<double>(own_delta) / static_cast<double>(tcp_delta);
    LOG_INFO("[INFO] thread_cnt=[%d], flow_rate=[%.02f].", std::min(maxConcurrent, proposed),
             ratio);
    if (ratio > 0.81 && threadCount < proposed)
      result = -1;
    else if (ratio < 0.79 && proposed < maxConcurrent)
      result = 1;
  }
  last_tcp_ = tcpBytes;
  last_downloaded_ = downloaded;
  return result;
}

uint32_t ReceivedTcpBytes() {
  // The bytes themselves where the system counts them: merged segments
  // (GRO, loopback) carry up to 64 KiB each, so segments x 1460 would say
  // the line is idle while it is full.
  if (std::optional<uint64_t> octets = GetIpInOctets())
    return static_cast<uint32_t>(*octets);
  std::optional<uint64_t> segments = GetTcpInSegments();
  return segments ? static_cast<uint32_t>(*segments * 1460u) : 0;
}

}  // namespace ns_Drav
