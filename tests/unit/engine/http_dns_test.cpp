#include "engine/http_dns.h"

#include <gtest/gtest.h>

namespace ns_Drav {
namespace {

TEST(HttpDns, SignsTheQueryOverAccountSecretTimeHostAndKeyId) {
  HttpDnsAccount account{"u1", "k2", "s3"};
  EXPECT_EQ(HttpDnsKey(account, "42", "a.b"),
            "5e7c63a541af135e1f741db6246129db26b9b2d160a9c00ed01c72cba35c09c1");
  EXPECT_EQ(HttpDnsQueryText(account, "a.b", 42),
            "/resolve?type=1&short=1&uid=u1&ak=k2&name=a.b&ts=42&key="
            "5e7c63a541af135e1f741db6246129db26b9b2d160a9c00ed01c72cba35c09c1");
  // Values are percent-encoded; the key signs the name as it is.
  std::string odd = HttpDnsQueryText(account, "a b&c=d", 42);
  EXPECT_NE(odd.find("&name=a%20b%26c%3Dd&"), std::string::npos) << odd;
  EXPECT_NE(odd.find("&key=" + HttpDnsKey(account, "42", "a b&c=d")), std::string::npos);
}

TEST(HttpDns, TheBuiltInAccountIsWhole) {
  HttpDnsAccount account = GetHttpDnsAccount();
  EXPECT_EQ(account.accountId, "183062");
  EXPECT_EQ(HttpDnsKey(account, "1700000000", "cdn.qel.test"),
            "ba1b3f810f5eb5666dd582dd8c585eb74e9042c81cc7ca74bd117a4b7aa715e8");
}

TEST(HttpDns, ParsesTheShortAnswerLeniently) {
  struct Case {
    const char* body;
    std::vector<std::string> pieces;
  } cases[] = {
      {"[\"1.2.3.4\",\"5.6.7.8\"]", {"1.2.3.4", "5.6.7.8"}},
      {"[ \"1.2.3.4\" , \"5.6.7.8\" ]", {"1.2.3.4", "5.6.7.8"}},
      {"[\"1.2.3.4\"]", {"1.2.3.4"}},
      {"[]", {}},
      {"", {}},
      {"[", {}},
      {"[x,\"9.9.9.9\"]", {"9.9.9.9"}},  // one-character pieces are skipped
      {"[\"a\",\"not an address\"]", {"a", "not an address"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ParseHttpDnsAnswer(c.body), c.pieces) << c.body;
}

TEST(HttpDns, EndpointsDefaultToTheApplicationsAndCanBeSet) {
  HttpDnsEndpoints defaults = GetHttpDnsEndpoints();
  EXPECT_EQ(defaults.primary, "http://127.0.0.1:18081/");
  EXPECT_EQ(defaults.secondary, "http://127.0.0.1:18081/");
  SetHttpDnsEndpoints({"https://a.example/", "https://b.example"});
  EXPECT_EQ(GetHttpDnsEndpoints().secondary, "https://b.example");
  SetHttpDnsEndpoints(defaults);
}

}  // namespace
}  // namespace ns_Drav
