#include "engine/easy_pool.h"

namespace ns_Drav {

CurlEasy EasyPool::Take(const std::string& ip) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto it = idle_.find(ip);
    if (it != idle_.end()) {
      CurlEasy easy = std::move(it->second);
      idle_.erase(it);
      return easy;
    }
  }
  EnsureCurlGlobalInit();
  return CurlEasy(curl_easy_init());
}

void EasyPool::Give(const std::string& ip, CurlEasy easy) {
  if (!easy)
    return;
  // The options point into the giver's lists; none may outlive them.
  curl_easy_reset(easy.get());
  CurlEasy surplus;
  std::lock_guard<std::mutex> hold(lock_);
  if (idle_.size() >= kMaxIdle)
    surplus = std::move(easy);  // closed after the lock is released
  else
    idle_.emplace(ip, std::move(easy));
}

void EasyPool::Clear() {
  std::multimap<std::string, CurlEasy> closing;
  std::lock_guard<std::mutex> hold(lock_);
  closing.swap(idle_);
}

size_t EasyPool::size() {
  std::lock_guard<std::mutex> hold(lock_);
  return idle_.size();
}

}  // namespace ns_Drav
