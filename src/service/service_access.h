// Access to the maker's REST service: the headers that identify the client,
// the client-credentials token, and the POST that repeats itself once at the
// secondary base when the primary one does not answer "code" 0.
#ifndef QEL_SERVICE_SERVICE_ACCESS_H_
#define QEL_SERVICE_SERVICE_ACCESS_H_

#include <cstdint>
#include <string>
#include <vector>

struct ServiceClientInfo {
  std::string clientSn;
  std::string appKey = "c3a90f1e7b52d84a06e3f9b1.demo";
  int32_t productId = 0;
  std::string productVersion;  // "4.0.5.0" once the headers were built
  std::string lang = "en-us";
};

// Appends "X-Client-Sn", "X-Client-Type", "X-App-Key", "X-Prod-Id", "X-Lang"
// and "X-Prod-Ver", in that order. An empty version becomes "4.0.5.0" in
// `info` too.
void BuildCommonHeaders(ServiceClientInfo& info, std::vector<std::string>* headers);

// A token from the primary base alone, asked with the common headers; empty
// when the answer is not "code" 0 with a "data" object.
std::string RequestAccessToken(ServiceClientInfo& info);

// A token for the strategy queries, asked with their own short header set and
// the switch to the secondary base; empty on failure.
std::string RequestStrategyToken(const std::string& productId,
                                 const std::string& clientSn,
                                 const std::string& productVersion);

enum class SwitchLog {
  kSilent,  // tokens and the product-series post
  kWarn,    // log and ticket uploads: "[WARN] switch host domain."
};

// POST to the primary base + `path` (HTTP/1.0); unless its answer is "code"
// 0, the same POST to the secondary base, whose answer is returned whatever
// it is. The transfer's own result is not consulted.
std::string PostWithFallback(const std::string& path,
                             const std::vector<std::string>& headers,
                             const std::string& body,
                             SwitchLog log = SwitchLog::kSilent);

// "Authorization: Bearer " + token (also for an empty token).
std::string BearerHeader(const std::string& token);

// The "code" of a JSON answer; -1 when it is missing or the body is not JSON.
int ServiceResultCode(const std::string& body);

#endif  // QEL_SERVICE_SERVICE_ACCESS_H_
