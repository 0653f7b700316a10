// Where the downloader's connections go. A resolver learns the addresses of
// the package host and hands them out least-used first; each connection is
// then pinned to its address. The default resolver leaves the name to
// libcurl.
#ifndef QEL_ENGINE_HOST_RESOLVER_H_
#define QEL_ENGINE_HOST_RESOLVER_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ns_Drav {

// What a resolver learned for the downloader's events and size.
struct HostInit {
  int64_t urlSize = 0;        // a size the addresses agreed on, 0 = none
  bool cacheCleared = false;  // the cached addresses were dropped first
  std::string hostInfo;       // host + ":" + addresses joined with ",", or empty
};

class IHostResolver {
 public:
  virtual ~IHostResolver() = default;
  // Learns the addresses of `url`'s host; with `clearCache`, forgets what
  // was known before. False when no address is known afterwards.
  virtual bool InitHost(const std::string& url, bool clearCache, HostInit* result) = 0;
  // The address for the next connection, empty for "by name". Called from
  // the download thread only.
  virtual std::string PickHostIp() = 0;
  // Makes a running or later InitHost give up soon (the download was
  // canceled). Any thread.
  virtual void Cancel() {}
};

// Addresses with their use counts; the pick is the least-used address, the
// first in text order among equals.
class HostTable {
 public:
  void Assign(const std::vector<std::string>& addresses);
  std::string Pick();
  bool empty() const { return uses_.empty(); }
  const std::map<std::string, int>& uses() const { return uses_; }

 private:
  std::map<std::string, int> uses_;
};

// Connects by the URL's host name as given.
class OriginHostResolver : public IHostResolver {
 public:
  bool InitHost(const std::string& url, bool clearCache, HostInit* result) override;
  std::string PickHostIp() override { return std::string(); }
};

// A fixed list of addresses for the host (tests, and a command-line
// "resolve" option).
class StaticHostResolver : public IHostResolver {
 public:
  explicit StaticHostResolver(std::vector<std::string> addresses);
  bool InitHost(const std::string& url, bool clearCache, HostInit* result) override;
  std::string PickHostIp() override { return table_.Pick(); }

 private:
  std::vector<std::string> addresses_;
  HostTable table_;
};

}  // namespace ns_Drav

#endif  // QEL_ENGINE_HOST_RESOLVER_H_
