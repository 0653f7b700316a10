// The test world (testing/world) as integration tests see it: where its
// roles listen, the CDN's files, and the control paths that switch faults on
// and tell what was asked. The ctest fixture starts the world and names its
// state file in $QEL_WORLD_STATE.
#ifndef QEL_TESTS_SUPPORT_WORLD_H_
#define QEL_TESTS_SUPPORT_WORLD_H_

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/digest.h"
#include "foundation/json_object.h"
#include "temp_dir.h"
#include "world_http.h"

struct WorldRequest {
  std::string method;
  std::string address;
  std::string scheme;
  std::string version;
  std::string range;  // empty without a Range header
  int status = 0;
  int64_t sent = 0;
  int client_port = 0;  // tells the client's connections apart
};

class TestWorld {
 public:
  // Reads the state file; false with `error` set when there is no world.
  bool Load(std::string* error) {
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
    json.GetMember("root", root_);
    json.GetMember("ca", ca_);
    json.GetMember("host", host_);
    CJsonObject& addresses = json.Child("addresses");
    for (int i = 0; i < addresses.ArraySize(); ++i)
      addresses_.push_back(ReadString(addresses, i));
    CJsonObject& cdn = json.Child("roles").Child("cdn");
    int32_t port = 0;
    cdn.GetMember("http", port);
    http_port_ = port;
    cdn.GetMember("https", port);
    https_port_ = port;
    root_ += "/";
    return !addresses_.empty() && http_port_ > 0;
  }

  const std::string& root() const { return root_; }
  const std::string& ca() const { return ca_; }
  const std::string& host() const { return host_; }
  const std::vector<std::string>& addresses() const { return addresses_; }
  int http_port() const { return http_port_; }
  int https_port() const { return https_port_; }

  // http://<address>:<port><path>
  std::string HttpUrl(const std::string& path, size_t address = 0) const {
    return "http://" + addresses_[address] + ":" + std::to_string(http_port_) + path;
  }
  // https://<host name>:<port><path>; the host name resolves nowhere, so a
  // resolver must pin it to the world's addresses.
  std::string HttpsUrl(const std::string& path) const {
    return "https://" + host_ + ":" + std::to_string(https_port_) + path;
  }
  std::string HttpsIpUrl(const std::string& path, size_t address = 0) const {
    return "https://" + addresses_[address] + ":" + std::to_string(https_port_) + path;
  }

  // A file of `size` pseudo-random bytes under the CDN's root; returns its
  // MD5 in upper-case hex.
  std::string MakeFile(const std::string& name, int64_t size, uint64_t seed = 1) const {
    std::ofstream out(root_ + name, std::ios::binary | std::ios::trunc);
    Digest md5(Digest::kMd5);
    std::vector<uint64_t> block(1 << 16);
    uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (int64_t left = size; left > 0;) {
      for (uint64_t& word : block) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        word = x;
      }
      size_t n = static_cast<size_t>(std::min<int64_t>(left, block.size() * 8));
      out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
      md5.Update(block.data(), n);
      left -= static_cast<int64_t>(n);
    }
    return ToHex(md5.Final(), true);
  }

  // Switches a fault on: a JSON rule {"file", "fault", ...} (testing/world/cdn.py).
  bool AddFault(const std::string& rule) const {
    return Control("faults", rule).find("true") != std::string::npos;
  }
  // Drops the faults and the journal of `file`.
  bool Clear(const std::string& file) const {
    return Control("clear", "{\"file\": \"" + file + "\"}").find("true") != std::string::npos;
  }
  // Every request the CDN answered for `file`, in order.
  std::vector<WorldRequest> Journal(const std::string& file) const {
    std::vector<WorldRequest> requests;
    CJsonObject json;
    if (!json.ParseText(Control("journal?file=" + file, "")))
      return requests;
    for (int i = 0; i < json.ArraySize(); ++i) {
      CJsonObject& item = json.Child(i);
      WorldRequest request;
      item.GetMember("method", request.method);
      item.GetMember("address", request.address);
      item.GetMember("scheme", request.scheme);
      item.GetMember("version", request.version);
      if (!item.IsNullMember("range"))
        item.GetMember("range", request.range);
      int32_t status = 0;
      item.GetMember("status", status);
      request.status = status;
      item.GetMember("sent", request.sent);
      int32_t port = 0;
      item.GetMember("client_port", port);
      request.client_port = port;
      requests.push_back(request);
    }
    return requests;
  }

 private:
  static std::string ReadString(CJsonObject& array, int index) {
    std::string text = array.Child(index).ToCompactText();
    return text.size() >= 2 ? text.substr(1, text.size() - 2) : text;
  }

  // A control request (POST with a body, GET without) on the first address.
  std::string Control(const std::string& path, const std::string& body) const {
    return world_http::Request(HttpUrl("/__world/" + path), body);
  }

  std::string root_;
  std::string ca_;
  std::string host_;
  std::vector<std::string> addresses_;
  int http_port_ = 0;
  int https_port_ = 0;
};

// A file name for the running test, so that tests sharing one world never
// share a file (or its faults).
inline std::string WorldFileName(const std::string& suffix = ".bin") {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& c : name) {
    if (c == '/' || c == '.')
      c = '_';
  }
  return name + suffix;
}

#endif  // QEL_TESTS_SUPPORT_WORLD_H_
