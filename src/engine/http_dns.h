// The HTTP-based DNS service: a signed query for a host name, answered with
// a short list of IPv4 addresses. It is asked when the system resolver knows
// nothing of a download host.
#ifndef QEL_ENGINE_HTTP_DNS_H_
#define QEL_ENGINE_HTTP_DNS_H_

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace ns_Drav {

struct HttpDnsAccount {
  std::string accountId;
  std::string accessKeyId;
  std::string accessKeySecret;
};

// The installer's account with the service, put together at run time.
HttpDnsAccount GetHttpDnsAccount();

// Base addresses of the service. The application sets them from its
// endpoints resource; until then the built-in defaults (the same as the
// application's) hold.
struct HttpDnsEndpoints {
  std::string primary;
  std::string secondary;
};
HttpDnsEndpoints DefaultHttpDnsEndpoints();
void SetHttpDnsEndpoints(const HttpDnsEndpoints& endpoints);
HttpDnsEndpoints GetHttpDnsEndpoints();

// SHA-256, in lower-case hex, of account id + secret + ts + host + access
// key id.
std::string HttpDnsKey(const HttpDnsAccount& account,
                       const std::string& ts,
                       const std::string& host);

// "/resolve?type=1&short=1&uid=..&ak=..&name=..&ts=..&key=.." with every
// value percent-encoded.
std::string HttpDnsQueryText(const HttpDnsAccount& account,
                             const std::string& host,
                             int64_t unixSeconds);

// The pieces of an answer like ["1.2.3.4","5.6.7.8"]: brackets and quotes
// dropped, blanks trimmed. Nothing for a body shorter than 2 characters.
// The pieces are not checked to be addresses.
std::vector<std::string> ParseHttpDnsAnswer(const std::string& body);

// Asks the primary endpoint, and the secondary one when the primary gives
// no body or the transfer fails. Returns the answer's pieces. A set `*abort`
// ends it early.
std::vector<std::string> QueryHttpDns(const std::string& host,
                                      const std::atomic<bool>* abort = nullptr);

}  // namespace ns_Drav

#endif  // QEL_ENGINE_HTTP_DNS_H_
