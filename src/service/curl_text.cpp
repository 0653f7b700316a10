#include "service/curl_text.h"

#include <curl/curl.h>

#include <climits>
#include <memory>

#include "engine/curl_setup.h"

std::string EscapeUrlValue(const std::string& value) {
  if (value.empty() || value.size() > INT_MAX)
    return std::string();
  ns_Drav::EnsureCurlGlobalInit();
  // libcurl ignores the handle here (7.82 and later).
  std::unique_ptr<char, void (*)(void*)> escaped(
      curl_easy_escape(nullptr, value.data(), static_cast<int>(value.size())), curl_free);
  return escaped ? std::string(escaped.get()) : std::string();
}

std::string CurlResultText(int code) {
  if (code == 0)
    return std::string();
  if (code > 92)
    return "Unknown error";
  return curl_easy_strerror(static_cast<CURLcode>(code));
}
