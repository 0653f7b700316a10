// What every libcurl handle of the engine has in common: the global set-up,
// certificate verification, and small owners for libcurl objects.
#ifndef QEL_ENGINE_CURL_SETUP_H_
#define QEL_ENGINE_CURL_SETUP_H_

#include <curl/curl.h>

#include <memory>
#include <string>
#include <vector>

namespace ns_Drav {

// libcurl's process-wide initialisation (all features), made once.
void EnsureCurlGlobalInit();

// The CA bundle that HTTPS peers are verified against; empty (the default)
// means libcurl's own. Tests point it at the test world's CA.
void SetCaBundle(const std::string& path);
std::string GetCaBundle();

// Peer and host-name verification on, against the engine's CA bundle. Every
// handle of the engine gets this; nothing switches it off.
void ApplyTlsVerification(CURL* easy);

struct CurlEasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

// A libcurl string list built from lines, freed with its owner.
class CurlList {
 public:
  CurlList() = default;
  explicit CurlList(const std::vector<std::string>& lines);
  ~CurlList();
  CurlList(const CurlList&) = delete;
  CurlList& operator=(const CurlList&) = delete;
  CurlList(CurlList&& other) noexcept : list_(other.list_) { other.list_ = nullptr; }
  CurlList& operator=(CurlList&& other) noexcept;

  // False when libcurl could not take the line.
  bool Append(const std::string& line);
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

}  // namespace ns_Drav

#endif  // QEL_ENGINE_CURL_SETUP_H_
