#include "service/service_access.h"

#include <gtest/gtest.h>

#include "service/service_settings.h"

namespace {

TEST(ServiceAccess, CommonHeadersInOrderAndTheDefaultVersionIsKept) {
  ServiceClientInfo info;
  info.clientSn = "{SIGN}";
  info.productId = 5793;
  std::vector<std::string> headers = {"Content-Type: application/json"};
  BuildCommonHeaders(info, &headers);
  std::vector<std::string> expected = {
      "Content-Type: application/json",
      "X-Client-Sn: {SIGN}",
      "X-Client-Type: 1",
      "X-App-Key: c3a90f1e7b52d84a06e3f9b1.demo",
      "X-Prod-Id: 5793",
      "X-Lang: en-us",
      "X-Prod-Ver: 4.0.5.0",
  };
  EXPECT_EQ(headers, expected);
  EXPECT_EQ(info.productVersion, "4.0.5.0");

  info.productVersion = "7.1.0.2";
  info.lang = "de-de";
  info.productId = -1;
  headers.clear();
  BuildCommonHeaders(info, &headers);
  EXPECT_EQ(headers[3], "X-Prod-Id: -1");
  EXPECT_EQ(headers[4], "X-Lang: de-de");
  EXPECT_EQ(headers[5], "X-Prod-Ver: 7.1.0.2");
}

TEST(ServiceAccess, BearerHeader) {
  EXPECT_EQ(BearerHeader("abc"), "Authorization: Bearer abc");
  EXPECT_EQ(BearerHeader(""), "Authorization: Bearer ");
}

TEST(ServiceAccess, ResultCodeOfAnAnswer) {
  struct Case {
    const char* body;
    int code;
  } cases[] = {
      {R"({"code":0})", 0},
      {R"({"code": 401, "msg": "x"})", 401},
      {R"({"Code":5})", 5},
      {R"({"msg":"no code"})", -1},
      {R"({"code":"0"})", -1},
      {"<html>502</html>", -1},
      {"", -1},
      {"[0]", -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ServiceResultCode(c.body), c.code) << c.body;
}

TEST(ServiceSettings, BasesLoseTheirTrailingSlash) {
  ServiceSettings settings;
  settings.primary_base = "https://a.example/api/";
  settings.secondary_base = "https://b.example//";
  SetServiceSettings(settings);
  ServiceSettings read = GetServiceSettings();
  EXPECT_EQ(read.primary_base, "https://a.example/api");
  EXPECT_EQ(read.secondary_base, "https://b.example");
  EXPECT_EQ(read.request_timeout_s, 10);
  EXPECT_EQ(read.strategy_timeout_s, 5);
  EXPECT_EQ(read.probe_connect_timeout_s, 5);
}

}  // namespace
