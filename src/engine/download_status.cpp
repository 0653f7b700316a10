#include "engine/download_status.h"

#include <curl/curl.h>

namespace ns_Drav {

const char* DownloadErrorText(int status) {
  static const char* const kTexts[] = {
      "",
      "Already downloaded",
      "Connection failed",
      "Receive failed",
      "Send failed",
      "Get site information failed",
      "Download task allocation failed",
      "Buffer error",
      "Parameter error",
      "File operation failed",
      "Insufficient disk space",
      "MD5 verification failed",
      "File size error",
      "User canceled",
      "Download failed",
      "Unknown error",
      "End event error",
      "Save path error",
      "PID error",
      "URL error",
      "URL parsing error",
      "Thread creation error",
      "Timeout",
      "SSL verification failed",
      "DNS resolve failed",
      "Too many redirects",
      "Server closed connection",
  };
  if (status < 0 || status >= static_cast<int>(sizeof(kTexts) / sizeof(kTexts[0])))
    return "Unknown error";
  return kTexts[status];
}

std::string CurlErrorText(int code) {
  if (code == 0)
    return "";
  if (code < 1 || code > 92)
    return "Unknown error";
  return curl_easy_strerror(static_cast<CURLcode>(code));
}

}  // namespace ns_Drav
