#include "engine/curl_setup.h"

#include <mutex>

namespace ns_Drav {

namespace {

std::mutex g_ca_lock;
std::string g_ca_bundle;

}  // namespace

void EnsureCurlGlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

void SetCaBundle(const std::string& path) {
  std::lock_guard<std::mutex> hold(g_ca_lock);
  g_ca_bundle = path;
}

std::string GetCaBundle() {
  std::lock_guard<std::mutex> hold(g_ca_lock);
  return g_ca_bundle;
}

void ApplyTlsVerification(CURL* easy) {
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  std::string bundle = GetCaBundle();
  if (!bundle.empty())
    curl_easy_setopt(easy, CURLOPT_CAINFO, bundle.c_str());  // libcurl copies it
}

CurlList::CurlList(const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    Append(line);
}

CurlList::~CurlList() {
  curl_slist_free_all(list_);
}

CurlList& CurlList::operator=(CurlList&& other) noexcept {
  if (this != &other) {
    curl_slist_free_all(list_);
    list_ = other.list_;
    other.list_ = nullptr;
  }
  return *this;
}

bool CurlList::Append(const std::string& line) {
  curl_slist* grown = curl_slist_append(list_, line.c_str());
  if (!grown)
    return false;
  list_ = grown;
  return true;
}

}  // namespace ns_Drav
