// Whether one more or one less connection would help, judged from how much
// of the machine's received TCP traffic is this download's.
#ifndef QEL_ENGINE_CONNECTION_TUNER_H_
#define QEL_ENGINE_CONNECTION_TUNER_H_

#include <cstdint>

namespace ns_Drav {

class ConnectionTuner {
 public:
  // Marks at the start of an attempt: the machine's received bytes (modulo
  // 2^32, see ReceivedTcpBytes) and the download's bytes (0).
  void Reset(uint32_t tcpBytes);

  // -1, 0 or +1 for a proposal of `proposed` connections, with `threadCount`
  // connections at the start, at most `maxConcurrent`, given the TCP bytes and the
  // bytes downloaded by the ranges so far. Moves the marks unless the TCP
  // count has not changed.
  int Change(int proposed,
             int threadCount,
             int maxConcurrent,
             int64_t downloaded,
             uint32_t tcpBytes);

 private:
  uint32_t last_tcp_ = 0;
  int64_t last_downloaded_ = 0;
};

// The machine's received bytes, modulo 2^32: the IP layer's count, else
// TCP segments x 1460; 0 when unknown.
uint32_t ReceivedTcpBytes();

}  // namespace ns_Drav

#endif  // QEL_ENGINE_CONNECTION_TUNER_H_
