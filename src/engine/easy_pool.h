// Idle libcurl handles of one download, with their open connections, so that
// the next range to the same address goes out on a connection that is
// already up (HTTP keep-alive; over HTTPS the handshake is skipped too).
#ifndef QEL_ENGINE_EASY_POOL_H_
#define QEL_ENGINE_EASY_POOL_H_

#include <map>
#include <mutex>
#include <string>

#include "engine/curl_setup.h"

namespace ns_Drav {

class EasyPool {
 public:
  // A handle for a range to `ip` (empty: by name), with no options set: an
  // idle one when there is one, else a new one; null when libcurl can't
  // make one.
  CurlEasy Take(const std::string& ip);
  // Keeps a handle whose last transfer ended cleanly; its options are reset,
  // its connections stay open.
  void Give(const std::string& ip, CurlEasy easy);
  // Closes every idle handle.
  void Clear();
  size_t size();

 private:
  static constexpr size_t kMaxIdle = 64;
  std::mutex lock_;
  std::multimap<std::string, CurlEasy> idle_;
};

}  // namespace ns_Drav

#endif  // QEL_ENGINE_EASY_POOL_H_
