// The process-wide cache of download hosts: for each host the IPv4
// addresses that agreed on the package size, and for each URL that size.
// A host is resolved once (system resolver, else the HTTP-based DNS
// service), its addresses are probed with a size request each, and only the
// largest group of addresses reporting the same size is kept.
#ifndef QEL_ENGINE_DNS_CACHE_H_
#define QEL_ENGINE_DNS_CACHE_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/host_lookup.h"

namespace ns_Drav {

// What the cache asks of the outside; tests put their own in.
struct DnsCacheHooks {
  // The system resolver's IPv4 addresses of a host; false when none.
  std::function<bool(const std::string& host, std::vector<Ipv4Bytes>* addresses)> lookup;
  // The HTTP-DNS service's answer pieces for a host.
  std::function<std::vector<std::string>(const std::string& host, const std::atomic<bool>* abort)>
      httpDns;
  // The size `url` has on the server at `address`, 0 when none.
  std::function<
      int64_t(const std::string& url, const std::string& address, const std::atomic<bool>* abort)>
      probe;
  // Flushes the system resolver's cache.
  std::function<void()> flush;
};

DnsCacheHooks SystemDnsCacheHooks();

// Every operation holds the cache's lock for its whole run, so two
// downloads of one host resolve and probe it once. A set `*abort` makes an
// operation that waits for the lock, or probes, give up with its empty
// result.
class DnsCache {
 public:
  // The process's cache, made on first use and never destroyed.
  static DnsCache& Instance();

  explicit DnsCache(DnsCacheHooks hooks = SystemDnsCacheHooks());
  DnsCache(const DnsCache&) = delete;
  DnsCache& operator=(const DnsCache&) = delete;

  // Whether the URL's host has at least one address.
  bool HasHost(const std::string& url, const std::atomic<bool>* abort = nullptr);
  // Resolves and probes the URL's host unless it has addresses already.
  // True when it has addresses afterwards.
  bool InitHostUrl(const std::string& url, const std::atomic<bool>* abort = nullptr);
  // The size the URL's addresses agreed on, 0 when none.
  int64_t GetUrlSize(const std::string& url, const std::atomic<bool>* abort = nullptr);
  // The URL's host and its addresses joined with ",", in set order.
  bool GetHostInfo(const std::string& url,
                   std::string* host,
                   std::string* addresses,
                   const std::atomic<bool>* abort = nullptr);
  // The host's addresses in set order; false when there are none.
  bool GetAddresses(const std::string& host,
                    std::vector<std::string>* addresses,
                    const std::atomic<bool>* abort = nullptr);
  // Forgets every host's addresses (not the sizes) and flushes the system
  // resolver's cache.
  void ClearCache(const std::atomic<bool>* abort = nullptr);

  // The order of a host's addresses: the four bytes read as a little-endian
  // number, so the last octet weighs most (9.9.9.1 before 1.1.1.2).
  static uint32_t OrderKey(const Ipv4Bytes& bytes);

 private:
  using AddressSet = std::set<uint32_t>;  // OrderKey values

  std::unique_lock<std::mutex> Hold(const std::atomic<bool>* abort);
  bool QueryHost(const std::string& host, const std::atomic<bool>* abort);
  bool ProbeAndFilter(const std::string& url,
                      const std::string& host,
                      const std::atomic<bool>* abort);
  bool HostOfUrl(const std::string& url, std::string* host) const;

  DnsCacheHooks hooks_;
  std::mutex lock_;
  std::map<std::string, AddressSet> host_addresses_;
  std::map<std::string, int64_t> url_sizes_;
};

// Dotted text of an OrderKey value, and the other way round (false when the
// text is not a dotted IPv4 address).
std::string AddressText(uint32_t key);
bool AddressKey(const std::string& text, uint32_t* key);

}  // namespace ns_Drav

#endif  // QEL_ENGINE_DNS_CACHE_H_
