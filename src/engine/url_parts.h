// Splitting package URLs, and the file name a URL gives its package.
#ifndef QEL_ENGINE_URL_PARTS_H_
#define QEL_ENGINE_URL_PARTS_H_

#include <string>

namespace ns_Drav {

struct UrlParts {
  std::string scheme;  // lower case
  std::string host;    // without brackets or port
  int port = 0;        // explicit, else the scheme's default
  std::string path;    // from the first "/", without query and fragment
};

// False when libcurl's URL parser does not accept `url` (it needs a scheme).
bool ParseUrl(const std::string& url, UrlParts* parts);

// Whether `url` uses HTTPS (scheme compared without regard to case).
bool IsHttpsUrl(const std::string& url);

enum class FileNameResult { kOk, kBadName, kBadUrl };

// The package's file name: the last segment of the URL's path, without query
// or fragment. kBadName when that is empty, "." or "..", or holds a "\" or a
// control character; kBadUrl when the URL does not parse.
FileNameResult FileNameFromUrl(const std::string& url, std::string* name);

// Whether `text` is a dotted IPv4 address.
bool IsIpv4Address(const std::string& text);

}  // namespace ns_Drav

#endif  // QEL_ENGINE_URL_PARTS_H_
