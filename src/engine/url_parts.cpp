#include "engine/url_parts.h"

#include <arpa/inet.h>
#include <curl/curl.h>

#include <memory>

namespace ns_Drav {

namespace {

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

bool GetPart(CURLU* url, CURLUPart what, unsigned flags, std::string* out) {
  char* text = nullptr;
  if (curl_url_get(url, what, &text, flags) != CURLUE_OK)
    return false;
  out->assign(text);
  curl_free(text);
  return true;
}

}  // namespace

bool ParseUrl(const std::string& url, UrlParts* parts) {
  std::unique_ptr<CURLU, UrlDeleter> handle(curl_url());
  if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
    return false;
  std::string port;
  if (!GetPart(handle.get(), CURLUPART_SCHEME, 0, &parts->scheme) ||
      !GetPart(handle.get(), CURLUPART_HOST, 0, &parts->host) ||
      !GetPart(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT, &port) ||
      !GetPart(handle.get(), CURLUPART_PATH, 0, &parts->path)) {
    return false;
  }
  if (parts->host.size() > 2 && parts->host.front() == '[' && parts->host.back() == ']')
    parts->host = parts->host.substr(1, parts->host.size() - 2);
  parts->port = atoi(port.c_str());
  return !parts->host.empty();
}

bool IsHttpsUrl(const std::string& url) {
  UrlParts parts;
  return ParseUrl(url, &parts) && parts.scheme == "https";
}

FileNameResult FileNameFromUrl(const std::string& url, std::string* name) {
  name->clear();
  UrlParts parts;
  if (!ParseUrl(url, &parts))
    return FileNameResult::kBadUrl;
  size_t slash = parts.path.rfind('/');
  std::string segment = slash == std::string::npos ? parts.path : parts.path.substr(slash + 1);
  if (segment.empty() || segment == "." || segment == "..")
    return FileNameResult::kBadName;
  for (unsigned char c : segment) {
    if (c < 0x20 || c == 0x7f || c == '\\' || c == '/')
      return FileNameResult::kBadName;
  }
  *name = segment;
  return FileNameResult::kOk;
}

bool IsIpv4Address(const std::string& text) {
  in_addr address{};
  return inet_pton(AF_INET, text.c_str(), &address) == 1;
}

}  // namespace ns_Drav
