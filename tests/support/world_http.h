// The one way tests talk to the test world's control paths.
#ifndef QEL_TESTS_SUPPORT_WORLD_HTTP_H_
#define QEL_TESTS_SUPPORT_WORLD_HTTP_H_

#include <curl/curl.h>

#include <string>

namespace world_http {

inline size_t Append(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// A POST with `body`, or a GET without one; the answer's body (empty when
// the world did not answer).
inline std::string Request(const std::string& url, const std::string& body) {
  std::string answer;
  CURL* easy = curl_easy_init();
  if (!easy)
    return answer;
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  if (!body.empty()) {
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.c_str());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
  }
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Append);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &answer);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT, 10L);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_perform(easy);
  curl_easy_cleanup(easy);
  return answer;
}

}  // namespace world_http

#endif  // QEL_TESTS_SUPPORT_WORLD_HTTP_H_
