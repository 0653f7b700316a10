#include "engine/dns_cache.h"

#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstring>
#include <thread>

#include "engine/curl_request.h"
#include "engine/http_dns.h"
#include "engine/url_parts.h"
#include "foundation/log.h"
#include "platform/resolver_cache.h"

namespace ns_Drav {

namespace {

// Probing ends once one size has this many addresses.
constexpr size_t kEnoughAgreeing = 10;
constexpr auto kLockPoll = std::chrono::milliseconds(20);

bool Aborted(const std::atomic<bool>* abort) {
  return abort && abort->load();
}

}  // namespace

DnsCacheHooks SystemDnsCacheHooks() {
  DnsCacheHooks hooks;
  hooks.lookup = [](const std::string& host, std::vector<Ipv4Bytes>* addresses) {
    int error = 0;
    return LookupHostIpv4(host, addresses, &error);
  };
  hooks.httpDns = [](const std::string& host, const std::atomic<bool>* abort) {
    return QueryHttpDns(host, abort);
  };
  hooks.probe = [](const std::string& url, const std::string& address,
                   const std::atomic<bool>* abort) {
    return GetRemoteFileSizeAt(url, address, abort);
  };
  hooks.flush = [] { FlushResolverCache(); };
  return hooks;
}

uint32_t DnsCache::OrderKey(const Ipv4Bytes& bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

std::string AddressText(uint32_t key) {
  return std::to_string(key & 0xFF) + "." + std::to_string(key >> 8 & 0xFF) + "." +
         std::to_string(key >> 16 & 0xFF) + "." + std::to_string(key >> 24);
}

bool AddressKey(const std::string& text, uint32_t* key) {
  in_addr address{};
  if (inet_pton(AF_INET, text.c_str(), &address) != 1)
    return false;
  Ipv4Bytes bytes;
  memcpy(bytes.data(), &address.s_addr, bytes.size());
  *key = DnsCache::OrderKey(bytes);
  return true;
}

DnsCache& DnsCache::Instance() {
  static DnsCache* cache = new DnsCache();
  return *cache;
}

DnsCache::DnsCache(DnsCacheHooks hooks) : hooks_(std::move(hooks)) {}

std::unique_lock<std::mutex> DnsCache::Hold(const std::atomic<bool>* abort) {
  std::unique_lock<std::mutex> hold(lock_, std::defer_lock);
  if (!abort) {
    hold.lock();
    return hold;
  }
  // Another download may probe for a while; this one must stay cancelable.
  while (!abort->load() && !hold.try_lock())
    std::this_thread::sleep_for(kLockPoll);
  return hold;
}

bool DnsCache::HostOfUrl(const std::string& url, std::string* host) const {
  // The host stands between "://" and the next "/"; libcurl would also take
  // "https:///name" as naming a host.
  size_t scheme_end = url.find("://");
  if (scheme_end == std::string::npos || scheme_end + 3 >= url.size() ||
      url[scheme_end + 3] == '/') {
    return false;
  }
  UrlParts parts;
  if (!ParseUrl(url, &parts))
    return false;
  *host = parts.host;
  return !host->empty();
}

bool DnsCache::HasHost(const std::string& url, const std::atomic<bool>* abort) {
  auto hold = Hold(abort);
  std::string host;
  if (!hold.owns_lock() || !HostOfUrl(url, &host))
    return false;
  auto it = host_addresses_.find(host);
  return it != host_addresses_.end() && !it->second.empty();
}

int64_t DnsCache::GetUrlSize(const std::string& url, const std::atomic<bool>* abort) {
  auto hold = Hold(abort);
  if (!hold.owns_lock())
    return 0;
  auto it = url_sizes_.find(url);
  return it == url_sizes_.end() ? 0 : it->second;
}

bool DnsCache::GetHostInfo(const std::string& url,
                           std::string* host,
                           std::string* addresses,
                           const std::atomic<bool>* abort) {
  host->clear();
  addresses->clear();
  auto hold = Hold(abort);
  if (!hold.owns_lock() || !HostOfUrl(url, host))
    return false;
  auto it = host_addresses_.find(*host);
  if (it == host_addresses_.end())
    return false;
  for (uint32_t key : it->second)
    *addresses += (addresses->empty() ? "" : ",") + AddressText(key);
  return !addresses->empty();
}

bool DnsCache::GetAddresses(const std::string& host,
                            std::vector<std::string>* addresses,
                            const std::atomic<bool>* abort) {
  addresses->clear();
  auto hold = Hold(abort);
  if (!hold.owns_lock())
    return false;
  auto it = host_addresses_.find(host);
  if (it != host_addresses_.end()) {
    for (uint32_t key : it->second)
      addresses->push_back(AddressText(key));
  }
  return !addresses->empty();
}

void DnsCache::ClearCache(const std::atomic<bool>* abort) {
  auto hold = Hold(abort);
  if (!hold.owns_lock())
    return;
  host_addresses_.clear();
  if (hooks_.flush)
    hooks_.flush();
}

bool DnsCache::QueryHost(const std::string& host, const std::atomic<bool>* abort) {
  if (host.empty())
    return false;
  AddressSet& set = host_addresses_[host];
  std::vector<Ipv4Bytes> found;
  if (hooks_.lookup && hooks_.lookup(host, &found) && !found.empty()) {
    set.clear();
    for (const Ipv4Bytes& bytes : found)
      set.insert(OrderKey(bytes));
  }
  if (set.empty() && hooks_.httpDns && !Aborted(abort)) {
    std::vector<std::string> answer = hooks_.httpDns(host, abort);
    LOG_INFO("[INFO] query httpdns, host=[%s], ip count=[%d].", host.c_str(),
             static_cast<int>(answer.size()));
    for (const std::string& piece : answer) {
      uint32_t key = 0;
      // A piece that is no address would only ever fail its connections.
      if (!AddressKey(piece, &key)) {
        LOG_WARN("[WARN] query httpdns, not an address=[%s].", piece.c_str());
        continue;
      }
      set.insert(key);
    }
  }
  LOG_INFO("[INFO] query host=[%s], ip count=[%d].", host.c_str(), static_cast<int>(set.size()));
  return !set.empty();
}

bool DnsCache::InitHostUrl(const std::string& url, const std::atomic<bool>* abort) {
  auto hold = Hold(abort);
  if (!hold.owns_lock())
    return false;
  if (url.empty()) {
    LOG_ERROR("[ERROR] init host url is empty.");
    return false;
  }
  std::string host;
  if (!HostOfUrl(url, &host)) {
    LOG_ERROR("[ERROR] parse url failed!");
    return false;
  }
  auto known = host_addresses_.find(host);
  if (known != host_addresses_.end() && !known->second.empty())
    return true;
  if (!QueryHost(host, abort)) {
    host_addresses_.erase(host);
    LOG_ERROR("[ERROR] query host failed!");
    return false;
  }
  return ProbeAndFilter(url, host, abort);
}

bool DnsCache::ProbeAndFilter(const std::string& url,
                              const std::string& host,
                              const std::atomic<bool>* abort) {
  AddressSet& set = host_addresses_[host];
  std::map<int64_t, std::vector<uint32_t>> groups;  // size -> addresses
  for (uint32_t key : set) {
    std::string address = AddressText(key);
    LOG_INFO("[INFO] host ip=[%s]", address.c_str());
    int64_t size = hooks_.probe ? hooks_.probe(url, address, abort) : 0;
    if (Aborted(abort)) {
      // Half-probed addresses must not pass for checked ones.
      host_addresses_.erase(host);
      return false;
    }
    if (size == 0)
      continue;
    std::vector<uint32_t>& group = groups[size];
    group.push_back(key);
    if (group.size() >= kEnoughAgreeing)
      break;
  }

  int64_t winner = 0;
  size_t most = 0;
  for (const auto& [size, members] : groups) {
    if (members.size() > most) {
      winner = size;
      most = members.size();
      LOG_INFO("[INFO] ulfs_max=[%ld], count=[%d]", static_cast<long>(size),
               static_cast<int>(most));
    }
  }
  if (winner != 0) {
    url_sizes_[url] = winner;
    const std::vector<uint32_t>& kept = groups[winner];
    for (auto it = set.begin(); it != set.end();) {
      if (std::find(kept.begin(), kept.end(), *it) != kept.end()) {
        ++it;
        continue;
      }
      LOG_WARN("[WARN] remove host ip=[%s]", AddressText(*it).c_str());
      it = set.erase(it);
    }
  }
  LOG_INFO("[INFO] init host, vaild ip count=[%d]", static_cast<int>(set.size()));
  return !set.empty();
}

}  // namespace ns_Drav
