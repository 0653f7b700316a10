#include "engine/host_resolver.h"

#include "engine/url_parts.h"

namespace ns_Drav {

void HostTable::Assign(const std::vector<std::string>& addresses) {
  uses_.clear();
  for (const std::string& address : addresses)
    uses_[address] = 0;
}

std::string HostTable::Pick() {
  auto best = uses_.end();
  for (auto it = uses_.begin(); it != uses_.end(); ++it) {
    if (best == uses_.end() || it->second < best->second)
      best = it;
  }
  if (best == uses_.end())
    return std::string();
  ++best->second;
  return best->first;
}

bool OriginHostResolver::InitHost(const std::string&, bool, HostInit* result) {
  *result = HostInit();
  return true;
}

StaticHostResolver::StaticHostResolver(std::vector<std::string> addresses)
    : addresses_(std::move(addresses)) {}

bool StaticHostResolver::InitHost(const std::string& url, bool clearCache, HostInit* result) {
  *result = HostInit();
  result->cacheCleared = clearCache;
  table_.Assign(addresses_);
  UrlParts parts;
  if (!addresses_.empty() && ParseUrl(url, &parts)) {
    result->hostInfo = parts.host + ":";
    for (size_t i = 0; i < addresses_.size(); ++i)
      result->hostInfo += (i ? "," : "") + addresses_[i];
  }
  return !table_.empty();
}

}  // namespace ns_Drav
