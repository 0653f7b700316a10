// Blocking HTTP(S) exchanges for everything that is not a ranged package
// transfer. Each call uses its own libcurl handle on the caller's thread;
// nothing is kept between calls, so any thread may call at any time.
#ifndef QEL_ENGINE_CURL_REQUEST_H_
#define QEL_ENGINE_CURL_REQUEST_H_

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace ns_Drav {

enum RequestKind : int {
  kRequestGet = 0,
  kRequestHead = 1,  // no body is fetched
  kRequestPost = 2,  // `body` is sent
};

// One request into memory. Returns the body with every CR LF pair removed;
// with `captureHeaders` the header blocks of all responses (redirects
// included, each line still ending in CR LF) stand in front of it. `*status`
// gets libcurl's result code (0 = success); it is left alone when no handle
// could be made. Whatever body arrived is returned also on failure. A set
// `*abort` ends the transfer early (libcurl's code 42).
std::string CurlRequest(int kind,
                        const std::string& url,
                        const std::vector<std::string>& headers,
                        bool forceHttp10,
                        bool captureHeaders,
                        const std::string& body,
                        int* status,
                        int timeoutSeconds,
                        const std::atomic<bool>* abort = nullptr);

// A multipart/form-data POST over HTTP/1.0 with one part named "file" whose
// content libcurl reads from `filePath`. Returns the body with CR LF removed.
std::string CurlFormDataRequest(const std::string& url,
                                const std::vector<std::string>& headers,
                                const std::string& filePath,
                                int* status);

// The size a server gives for `url` in the Content-Length header of its final
// response (HEAD first, then GET), 0 when none was found. Only headers are
// read: a GET is stopped as soon as its body begins. When `url` names an
// address and `hostName` is given, the request names the host (URL, Host
// header and TLS name) while the connection goes to the address.
int64_t GetRemoteFileSize(const std::string& url, const std::string& hostName);

// The same for `url` as it stands, with its host:port pinned to `address`
// (empty: resolved by name). The certificate is checked against the URL's
// host name. A set `*abort` ends it early with 0.
int64_t GetRemoteFileSizeAt(const std::string& url,
                            const std::string& address,
                            const std::atomic<bool>* abort = nullptr);

// The length from a block of captured response headers: the Content-Length
// (exact case) of the last response, when that response is a 2xx. 0 when
// there is none. Blanks inside the number are ignored.
int64_t ContentLengthOfFinalResponse(const std::string& headers);

// `text` without its CR LF pairs (lone CR or LF stay).
std::string RemoveCrLf(const std::string& text);

}  // namespace ns_Drav

#endif  // QEL_ENGINE_CURL_REQUEST_H_
