// The maker's service of the test world (testing/world/service.py) as tests
// see it: a tenant of its own per test, answers scripted per path, and the
// journal of every request the service received.
#ifndef QEL_TESTS_SUPPORT_SERVICE_WORLD_H_
#define QEL_TESTS_SUPPORT_SERVICE_WORLD_H_

#include <curl/curl.h>
#include <strings.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "foundation/json_object.h"
#include "support/temp_dir.h"
#include "support/world_http.h"

struct ServiceRequest {
  std::string method;
  std::string path;   // after the tenant, without the query
  std::string query;  // as sent
  std::string body;
  std::string version;
  std::vector<std::pair<std::string, std::string>> headers;  // as sent, in order

  // The first header of that name (letter case ignored); empty when missing.
  std::string Header(const std::string& name) const {
    for (const auto& [key, value] : headers) {
      if (strcasecmp(key.c_str(), name.c_str()) == 0)
        return value;
    }
    return std::string();
  }
  bool HasHeader(const std::string& name) const {
    for (const auto& header : headers) {
      if (strcasecmp(header.first.c_str(), name.c_str()) == 0)
        return true;
    }
    return false;
  }
  // "Name: value" of the headers whose names start with `prefix`, in order.
  std::vector<std::string> HeaderLines(const std::string& prefix = "") const {
    std::vector<std::string> lines;
    for (const auto& [key, value] : headers) {
      if (strncasecmp(key.c_str(), prefix.c_str(), prefix.size()) == 0)
        lines.push_back(key + ": " + value);
    }
    return lines;
  }
};

class ServiceWorld {
 public:
  // Reads the state file named by $QEL_WORLD_STATE; false with `error` set
  // when there is no world with a service.
  bool Load(const std::string& tenant, std::string* error) {
    tenant_ = tenant;
    const char* state = getenv("QEL_WORLD_STATE");
    if (!state || !*state) {
      *error = "QEL_WORLD_STATE is not set (run the test through ctest)";
      return false;
    }
    CJsonObject json;
    if (!json.ParseText(ReadFile(state))) {
      *error = std::string("no world state in ") + state;
      return false;
    }
    CJsonObject& addresses = json.Child("addresses");
    if (addresses.ArraySize() > 0) {
      std::string first = addresses.Child(0).ToCompactText();
      address_ = first.size() >= 2 ? first.substr(1, first.size() - 2) : first;
    }
    int32_t port = 0;
    json.Child("roles").Child("service").GetMember("http", port);
    port_ = port;
    if (address_.empty() || port_ <= 0) {
      *error = "the world has no service role";
      return false;
    }
    return true;
  }

  const std::string& tenant() const { return tenant_; }
  int port() const { return port_; }

  // http://<address>:<port>/<tenant><path>
  std::string Url(const std::string& path) const {
    return "http://" + address_ + ":" + std::to_string(port_) + "/" + tenant_ + path;
  }

  // Scripts an answer of the tenant: `fields` are the rule's members after
  // "tenant" and "path" (testing/world/service.py), e.g.
  // R"("json": {"code": 401}, "times": 1)".
  bool Answer(const std::string& path, const std::string& fields) const {
    std::string rule = "{\"tenant\": \"" + tenant_ + "\", \"path\": \"" + path + "\"";
    if (!fields.empty())
      rule += ", " + fields;
    rule += "}";
    return Control("script", rule).find("true") != std::string::npos;
  }

  // Drops the tenant's rules, tokens and journal.
  bool Clear() const {
    return Control("clear", "{\"tenant\": \"" + tenant_ + "\"}").find("true") != std::string::npos;
  }

  // Every request of the tenant, in the order received.
  std::vector<ServiceRequest> Journal() const {
    std::vector<ServiceRequest> requests;
    CJsonObject json;
    if (!json.ParseText(Control("journal?tenant=" + tenant_, "")))
      return requests;
    for (int i = 0; i < json.ArraySize(); ++i) {
      CJsonObject& item = json.Child(i);
      ServiceRequest request;
      item.GetMember("method", request.method);
      item.GetMember("path", request.path);
      item.GetMember("query", request.query);
      item.GetMember("body", request.body);
      item.GetMember("version", request.version);
      CJsonObject& headers = item.Child("headers");
      for (int h = 0; h < headers.ArraySize(); ++h) {
        std::string name, value;
        headers.Child(h).GetMember("name", name);
        headers.Child(h).GetMember("value", value);
        request.headers.emplace_back(name, value);
      }
      requests.push_back(std::move(request));
    }
    return requests;
  }

  // The query's value of `key`, percent-decoded; empty when missing.
  static std::string QueryValue(const std::string& query, const std::string& key) {
    size_t at = 0;
    while (at <= query.size()) {
      size_t end = query.find('&', at);
      std::string pair = query.substr(at, end == std::string::npos ? std::string::npos : end - at);
      if (pair.compare(0, key.size() + 1, key + "=") == 0) {
        int length = 0;
        std::string raw = pair.substr(key.size() + 1);
        char* decoded =
            curl_easy_unescape(nullptr, raw.c_str(), static_cast<int>(raw.size()), &length);
        std::string value(decoded, static_cast<size_t>(length));
        curl_free(decoded);
        return value;
      }
      if (end == std::string::npos)
        break;
      at = end + 1;
    }
    return std::string();
  }

 private:
  std::string Control(const std::string& path, const std::string& body) const {
    return world_http::Request(
        "http://" + address_ + ":" + std::to_string(port_) + "/__world/" + path, body);
  }

  std::string tenant_;
  std::string address_;
  int port_ = 0;
};

#endif  // QEL_TESTS_SUPPORT_SERVICE_WORLD_H_
