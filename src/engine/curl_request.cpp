#include "engine/curl_request.h"

#include "engine/curl_setup.h"
#include "engine/url_parts.h"
#include "foundation/log.h"

namespace ns_Drav {

namespace {

size_t AppendToString(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

// Ends a transfer at the first body byte: only the headers are wanted.
size_t StopAtBody(char*, size_t, size_t, void*) {
  return 0;
}

int AbortWhenSet(void* flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
}

void SetAbortFlag(CURL* easy, const std::atomic<bool>* abort) {
  if (!abort)
    return;
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &AbortWhenSet);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(abort));
}

void SetCommonOptions(CURL* easy, long timeoutSeconds) {
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_IPRESOLVE, static_cast<long>(CURL_IPRESOLVE_V4));
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, 5L);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT, timeoutSeconds);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
}

// Runs the transfer; `*status` gets libcurl's result, or the response-code
// query's when only that failed. `what` names the caller in the log.
void Perform(CURL* handle, const char* what, int* status) {
  CURLcode result = curl_easy_perform(handle);
  if (status)
    *status = result;
  if (result != CURLE_OK) {
    LOG_ERROR("[ERROR] %s, curl easy perform failed, code=[%d].", what, result);
    return;
  }
  long code = 0;
  CURLcode info = curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
  if (info != CURLE_OK) {
    if (status)
      *status = info;
    LOG_ERROR("[ERROR] %s, curl easy getinfo failed, code=[%d].", what, info);
  }
}

}  // namespace

std::string RemoveCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      continue;
    }
    out.push_back(text[i]);
  }
  return out;
}

std::string CurlRequest(int kind,
                        const std::string& url,
                        const std::vector<std::string>& headers,
                        bool forceHttp10,
                        bool captureHeaders,
                        const std::string& body,
                        int* status,
                        int timeoutSeconds,
                        const std::atomic<bool>* abort) {
  EnsureCurlGlobalInit();
  CurlEasy easy(curl_easy_init());
  if (!easy) {
    LOG_ERROR("[ERROR] curl request, curl init failed!");
    return std::string();
  }
  CURL* handle = easy.get();
  ApplyTlsVerification(handle);
  CurlList header_list(headers);
  std::string header_text;
  std::string received;
  if (forceHttp10)
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  if (captureHeaders) {
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &AppendToString);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &header_text);
  }
  if (kind == kRequestHead) {
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  } else if (kind == kRequestPost) {
    curl_easy_setopt(handle, CURLOPT_POST, 1L);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  }
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, header_list.get());
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &AppendToString);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &received);
  SetCommonOptions(handle, timeoutSeconds);
  SetAbortFlag(handle, abort);

  Perform(handle, "curl request", status);
  return header_text + RemoveCrLf(received);
}

std::string CurlFormDataRequest(const std::string& url,
                                const std::vector<std::string>& headers,
                                const std::string& filePath,
                                int* status) {
  EnsureCurlGlobalInit();
  CurlEasy easy(curl_easy_init());
  if (!easy) {
    LOG_ERROR("[ERROR] curl form data request, curl init failed!");
    return std::string();
  }
  CURL* handle = easy.get();
  CurlList header_list(headers);
  std::unique_ptr<curl_mime, void (*)(curl_mime*)> form(curl_mime_init(handle), curl_mime_free);
  curl_mimepart* part = form ? curl_mime_addpart(form.get()) : nullptr;
  if (part) {
    curl_mime_name(part, "file");
    curl_mime_filedata(part, filePath.c_str());
  }
  std::string received;
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, header_list.get());
  ApplyTlsVerification(handle);
  curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(handle, CURLOPT_POST, 1L);
  curl_easy_setopt(handle, CURLOPT_MIMEPOST, form.get());
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &AppendToString);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &received);
  SetCommonOptions(handle, 10L);

  Perform(handle, "curl form data request", status);
  easy.reset();  // the handle goes before the form it points to
  return RemoveCrLf(received);
}

int64_t ContentLengthOfFinalResponse(const std::string& headers) {
  // The final response starts at the last status line.
  size_t start = 0;
  for (size_t at = headers.find("HTTP/"); at != std::string::npos;
       at = headers.find("HTTP/", at + 5)) {
    if (at == 0 || (at >= 2 && headers.compare(at - 2, 2, "\r\n") == 0))
      start = at;
  }
  std::string block = headers.substr(start);
  if (block.compare(0, 5, "HTTP/") != 0)
    return 0;
  size_t blank = block.find(' ');
  int code = blank == std::string::npos ? 0 : atoi(block.c_str() + blank + 1);
  if (code < 200 || code > 299)
    return 0;
  constexpr std::string_view kName = "Content-Length:";
  size_t at = block.rfind(kName);
  if (at == std::string::npos)
    return 0;
  size_t end = block.find("\r\n", at);
  if (end == std::string::npos)
    return 0;
  int64_t value = 0;
  bool digits = false;
  for (size_t i = at + kName.size(); i < end; ++i) {
    char c = block[i];
    if (c == ' ')
      continue;
    if (c < '0' || c > '9' || value > (INT64_MAX - (c - '0')) / 10)
      return 0;
    value = value * 10 + (c - '0');
    digits = true;
  }
  return digits ? value : 0;
}

namespace {

std::string RequestHeaders(int kind,
                           const std::string& url,
                           const std::string& hostName,
                           const std::string& address,
                           int port,
                           const std::atomic<bool>* abort) {
  EnsureCurlGlobalInit();
  CurlEasy easy(curl_easy_init());
  if (!easy) {
    LOG_ERROR("[ERROR] curl request, curl init failed!");
    return std::string();
  }
  CURL* handle = easy.get();
  CurlList header_list({"connection: close", "Cache-Control: no-cache", "Pragma: no-cache"});
  CurlList resolve;
  if (!address.empty())
    resolve.Append(hostName + ":" + std::to_string(port) + ":" + address);
  else if (!hostName.empty())
    header_list.Append("Host: " + hostName);
  std::string header_text;
  ApplyTlsVerification(handle);
  // HTTP/2 would write every header name in lower case.
  curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &AppendToString);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, &header_text);
  if (kind == kRequestHead)
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, header_list.get());
  curl_easy_setopt(handle, CURLOPT_RESOLVE, resolve.get());
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &StopAtBody);
  SetCommonOptions(handle, 10L);
  SetAbortFlag(handle, abort);
  curl_easy_perform(handle);  // a GET ends with a write error once its body begins
  return header_text;
}

}  // namespace

int64_t GetRemoteFileSize(const std::string& url, const std::string& hostName) {
  std::string request_url = url;
  std::string address;
  UrlParts parts;
  int port = 0;
  if (!hostName.empty() && ParseUrl(url, &parts) && IsIpv4Address(parts.host) &&
      parts.host != hostName) {
    // Name the host in the URL and pin it to the address: the request then
    // carries the name as Host header and as TLS server name, and the
    // certificate is checked against the name.
    address = parts.host;
    port = parts.port;
    size_t host_at = url.find(parts.host, url.find("://"));
    request_url = url.substr(0, host_at) + hostName + url.substr(host_at + parts.host.size());
  }
  for (int kind : {kRequestHead, kRequestGet}) {
    int64_t size = ContentLengthOfFinalResponse(
        RequestHeaders(kind, request_url, hostName, address, port, nullptr));
    if (size > 0)
      return size;
  }
  return 0;
}

int64_t GetRemoteFileSizeAt(const std::string& url,
                            const std::string& address,
                            const std::atomic<bool>* abort) {
  UrlParts parts;
  if (!address.empty() && !ParseUrl(url, &parts))
    return 0;
  for (int kind : {kRequestHead, kRequestGet}) {
    if (abort && abort->load())
      return 0;
    int64_t size = ContentLengthOfFinalResponse(
        RequestHeaders(kind, url, parts.host, address, parts.port, abort));
    if (size > 0)
      return size;
  }
  return 0;
}

}  // namespace ns_Drav
