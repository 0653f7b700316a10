// The downloader's host resolution through the process-wide DnsCache: the
// host's agreeing addresses fill a table of use counts, and each connection
// takes the least-used address.
#ifndef QEL_ENGINE_DNS_HOST_RESOLVER_H_
#define QEL_ENGINE_DNS_HOST_RESOLVER_H_

#include <atomic>
#include <string>

#include "engine/dns_cache.h"
#include "engine/host_resolver.h"

namespace ns_Drav {

class DnsHostResolver : public IHostResolver {
 public:
  explicit DnsHostResolver(DnsCache& cache = DnsCache::Instance()) : cache_(cache) {}

  // With `clearCache`, a cache that knows the host is emptied (and the
  // system resolver's too) before the host is resolved again.
  bool InitHost(const std::string& url, bool clearCache, HostInit* result) override;
  std::string PickHostIp() override { return table_.Pick(); }
  void Cancel() override { canceled_.store(true); }

  const HostTable& table() const { return table_; }

 private:
  DnsCache& cache_;
  HostTable table_;
  std::atomic<bool> canceled_{false};
};

}  // namespace ns_Drav

#endif  // QEL_ENGINE_DNS_HOST_RESOLVER_H_
