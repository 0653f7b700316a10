#include "engine/curl_setup.h"

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

CurlShare::CurlShare() {
  EnsureCurlGlobalInit();
  share_ = curl_share_init();
  if (!share_)
    return;
  curl_share_setopt(share_, CURLSHOPT_LOCKFUNC, &CurlShare::Lock);
  curl_share_setopt(share_, CURLSHOPT_UNLOCKFUNC, &CurlShare::Unlock);
  curl_share_setopt(share_, CURLSHOPT_USERDATA, this);
  curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
}

CurlShare::~CurlShare() {
  if (share_)
    curl_share_cleanup(share_);
}

std::mutex& CurlShare::LockFor(curl_lock_data data) {
  switch (data) {
    case CURL_LOCK_DATA_SHARE:
      return locks_[0];
    case CURL_LOCK_DATA_DNS:
      return locks_[1];
    case CURL_LOCK_DATA_SSL_SESSION:
      return locks_[2];
    default:
      return locks_[3];
  }
}

void CurlShare::Lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
  static_cast<CurlShare*>(self)->LockFor(data).lock();
}

void CurlShare::Unlock(CURL*, curl_lock_data data, void* self) {
  static_cast<CurlShare*>(self)->LockFor(data).unlock();
}

}  // namespace ns_Drav
