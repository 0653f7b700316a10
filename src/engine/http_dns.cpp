#include "engine/http_dns.h"

#include <curl/curl.h>

#include <cstdlib>
#include <ctime>
#include <mutex>

#include "engine/curl_request.h"
#include "engine/curl_setup.h"
#include "foundation/digest.h"
#include "foundation/log.h"

namespace ns_Drav {

namespace {

constexpr int kQueryTimeoutSeconds = 10;
constexpr unsigned char kMask = 0x5A;

// The account's texts are kept masked so that they don't stand in the
// binary as plain strings.
std::string Unmask(std::initializer_list<unsigned char> masked) {
  std::string text;
  for (unsigned char c : masked)
    text.push_back(static_cast<char>(c ^ kMask));
  return text;
}

std::mutex endpoints_lock;
HttpDnsEndpoints* endpoints = nullptr;  // guarded by endpoints_lock; null: defaults

std::string Escape(const std::string& value) {
  EnsureCurlGlobalInit();
  char* escaped = curl_easy_escape(nullptr, value.c_str(), static_cast<int>(value.size()));
  if (!escaped)
    return std::string();
  std::string text = escaped;
  curl_free(escaped);
  return text;
}

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos)
    return std::string();
  size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

// Splits what CurlRequest gives with captured headers into the final
// response's status code and its body. The body has no CR LF left, so the
// last empty header line ends the headers.
int SplitAnswer(const std::string& text, std::string* body) {
  size_t end = text.rfind("\r\n\r\n");
  if (end == std::string::npos) {
    body->clear();
    return 0;
  }
  *body = text.substr(end + 4);
  // The final response's status line: the last line that starts with "HTTP/".
  size_t status_line = std::string::npos;
  for (size_t at = 0; at < end; at = text.find("\r\n", at) + 2) {
    if (text.compare(at, 5, "HTTP/") == 0)
      status_line = at;
    if (text.find("\r\n", at) == std::string::npos)
      break;
  }
  if (status_line == std::string::npos)
    return 0;
  size_t blank = text.find(' ', status_line);
  return blank == std::string::npos || blank > end ? 0 : atoi(text.c_str() + blank + 1);
}

std::string JoinBase(std::string base, const std::string& query) {
  while (!base.empty() && base.back() == '/')
    base.pop_back();
  return base + query;
}

}  // namespace

HttpDnsAccount GetHttpDnsAccount() {
  HttpDnsAccount account;
  account.accountId = Unmask({0x6b, 0x62, 0x69, 0x6a, 0x6c, 0x68});
  account.accessKeyId = Unmask({0x2b, 0x3f, 0x36, 0x77, 0x3e, 0x36, 0x77, 0x6d, 0x3c, 0x69, 0x3b});
  account.accessKeySecret = Unmask({0x0c, 0x22, 0x63, 0x77, 0x31, 0x2b, 0x68, 0x16, 0x37, 0x6a,
                                    0x77, 0x0e, 0x28, 0x62, 0x29, 0x0a});
  return account;
}

HttpDnsEndpoints DefaultHttpDnsEndpoints() {
  return {"http://127.0.0.1:18081/", "http://127.0.0.1:18081/"};
}

void SetHttpDnsEndpoints(const HttpDnsEndpoints& values) {
  std::lock_guard<std::mutex> hold(endpoints_lock);
  if (!endpoints)
    endpoints = new HttpDnsEndpoints();  // process-long, like the cache it serves
  *endpoints = values;
}

HttpDnsEndpoints GetHttpDnsEndpoints() {
  std::lock_guard<std::mutex> hold(endpoints_lock);
  return endpoints ? *endpoints : DefaultHttpDnsEndpoints();
}

std::string HttpDnsKey(const HttpDnsAccount& account,
                       const std::string& ts,
                       const std::string& host) {
  return Sha256Hex(account.accountId + account.accessKeySecret + ts + host + account.accessKeyId,
                   false);
}

std::string HttpDnsQueryText(const HttpDnsAccount& account,
                             const std::string& host,
                             int64_t unixSeconds) {
  std::string ts = std::to_string(unixSeconds);
  return "/resolve?type=1&short=1&uid=" + Escape(account.accountId) +
         "&ak=" + Escape(account.accessKeyId) + "&name=" + Escape(host) + "&ts=" + ts +
         "&key=" + HttpDnsKey(account, ts, host);
}

std::vector<std::string> ParseHttpDnsAnswer(const std::string& body) {
  std::vector<std::string> pieces;
  if (body.size() < 2)
    return pieces;
  std::string inner = body.substr(1, body.size() - 2);
  size_t at = 0;
  while (at <= inner.size()) {
    size_t comma = inner.find(',', at);
    if (comma == std::string::npos)
      comma = inner.size();
    std::string piece = inner.substr(at, comma - at);
    at = comma + 1;
    if (piece.size() <= 1)
      continue;
    piece = Trim(piece);
    if (piece.size() >= 2)
      pieces.push_back(piece.substr(1, piece.size() - 2));
  }
  return pieces;
}

std::vector<std::string> QueryHttpDns(const std::string& host, const std::atomic<bool>* abort) {
  HttpDnsEndpoints where = GetHttpDnsEndpoints();
  std::string query = HttpDnsQueryText(GetHttpDnsAccount(), host, time(nullptr));
  std::string body;
  int status = -1;
  for (const std::string& base : {where.primary, where.secondary}) {
    if (base.empty() || (abort && abort->load()))
      continue;
    status = -1;
    std::string answer = CurlRequest(kRequestGet, JoinBase(base, query), {}, true, true,
                                     std::string(), &status, kQueryTimeoutSeconds, abort);
    int code = SplitAnswer(answer, &body);
    // An error page is no answer: the other endpoint may still give one.
    if (status == 0 && (code < 200 || code > 299)) {
      LOG_WARN("[WARN] query httpdns, http code=[%d].", code);
      status = -1;
      body.clear();
    }
    if (!body.empty() && status == 0)
      break;
  }
  if (status != 0)
    return {};
  return ParseHttpDnsAnswer(body);
}

}  // namespace ns_Drav
