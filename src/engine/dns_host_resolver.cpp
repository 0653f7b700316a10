#include "engine/dns_host_resolver.h"

#include <vector>

#include "engine/url_parts.h"
#include "foundation/log.h"

namespace ns_Drav {

bool DnsHostResolver::InitHost(const std::string& url, bool clearCache, HostInit* result) {
  *result = HostInit();
  // Until this run finds addresses, connections go by name.
  table_.Assign({});
  const std::atomic<bool>* abort = &canceled_;
  if (clearCache && cache_.HasHost(url, abort)) {
    cache_.ClearCache(abort);
    result->cacheCleared = true;
  }
  if (!cache_.HasHost(url, abort)) {
    if (!cache_.InitHostUrl(url, abort)) {
      LOG_ERROR("[ERROR] multi, get dns info failed!");
      return false;
    }
    result->urlSize = cache_.GetUrlSize(url, abort);
    std::string host, addresses;
    if (cache_.GetHostInfo(url, &host, &addresses, abort))
      result->hostInfo = host + ":" + addresses;
    else
      LOG_ERROR("[ERROR] multi, get dns info failed! url=[%s].", url.c_str());
  }
  UrlParts parts;
  std::vector<std::string> addresses;
  if (ParseUrl(url, &parts))
    cache_.GetAddresses(parts.host, &addresses, abort);
  table_.Assign(addresses);
  if (table_.empty()) {
    LOG_ERROR("[ERROR] multi, get dns info failed!");
    return false;
  }
  return true;
}

}  // namespace ns_Drav
