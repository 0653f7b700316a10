// The test world's HTTP-DNS role as tests see it: its base addresses, the
// answers scripted per host name, and the queries it recorded; and the CDN's
// count of connections per address.
#ifndef QEL_TESTS_SUPPORT_HTTPDNS_WORLD_H_
#define QEL_TESTS_SUPPORT_HTTPDNS_WORLD_H_

#include <curl/curl.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "foundation/json_object.h"
#include "temp_dir.h"
#include "world.h"
#include "world_http.h"

// One query as the service received it.
struct HttpDnsQuery {
  std::string uid, ak, name, ts, key;
  std::string address;  // the listening address it reached
};

class HttpDnsWorld {
 public:
  bool Load(std::string* error) {
    const char* state = getenv("QEL_WORLD_STATE");
    CJsonObject json;
    if (!state || !json.ParseText(ReadFile(state))) {
      *error = "no world state (run the test through ctest)";
      return false;
    }
    CJsonObject& role = json.Child("roles").Child("httpdns");
    int32_t port = 0;
    role.GetMember("http", port);
    http_port_ = port;
    if (http_port_ <= 0)
      *error = "the world has no httpdns role";
    return http_port_ > 0;
  }

  // http://<address>:<port>/
  std::string BaseUrl(const std::string& address) const {
    return "http://" + address + ":" + std::to_string(http_port_) + "/";
  }

  // A rule {"name", "addresses", "address"?, "answer"?} (testing/world/httpdns.py).
  bool Script(const std::string& rule) const {
    return Request("script", rule).find("true") != std::string::npos;
  }
  bool Clear(const std::string& name) const {
    return Request("clear", "{\"name\": \"" + name + "\"}").find("true") != std::string::npos;
  }
  std::vector<HttpDnsQuery> Queries(const std::string& name) const {
    std::vector<HttpDnsQuery> queries;
    CJsonObject json;
    if (!json.ParseText(Request("queries?name=" + name, "")))
      return queries;
    for (int i = 0; i < json.ArraySize(); ++i) {
      CJsonObject& item = json.Child(i);
      HttpDnsQuery query;
      for (auto [key, field] : {std::pair{"uid", &query.uid},
                                {"ak", &query.ak},
                                {"name", &query.name},
                                {"ts", &query.ts},
                                {"key", &query.key},
                                {"address", &query.address}}) {
        if (!item.IsNullMember(key))
          item.GetMember(key, *field);
      }
      queries.push_back(query);
    }
    return queries;
  }

 private:
  std::string Request(const std::string& path, const std::string& body) const {
    return world_http::Request(BaseUrl("127.0.0.2") + "__world/" + path, body);
  }

  int http_port_ = 0;
};

// A host name of the running test under the world's certificate
// ("*.qel.test"); no system resolver knows it.
inline std::string WorldHostName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name;
  for (char c : std::string(info->name())) {
    if (std::isalnum(static_cast<unsigned char>(c)))
      name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return name.substr(0, 60) + ".qel.test";
}

// Per world address, the connections that sent `method` requests for `file`.
inline std::map<std::string, int> CdnConnections(const TestWorld& world,
                                                 const std::string& file,
                                                 const std::string& method = "GET") {
  std::map<std::string, int> counts;
  CJsonObject json;
  if (!json.ParseText(world_http::Request(
          world.HttpUrl("/__world/connections?file=" + file + "&method=" + method), "")))
    return counts;
  for (const std::string& address : world.addresses()) {
    int32_t count = 0;
    if (json.GetMember(address, count))
      counts[address] = count;
  }
  return counts;
}

#endif  // QEL_TESTS_SUPPORT_HTTPDNS_WORLD_H_
