#include "service/service_access.h"
#include "service/service_endpoints.h"
#include "service_world_test.h"

namespace {

constexpr const char* kTokenBody =
    R"({"grant_type":"client_credentials","app_secret":"Zx8mWq3Nv7RtLp2Kb6Hc9Yd4Gf5Js1Ua0E"})";
const std::string kPrimaryToken = "/primary/v3/user/client/token";
const std::string kSecondaryToken = "/secondary/v3/user/client/token";

class ServiceAccessWorld : public ServiceWorldTest {};

TEST_F(ServiceAccessWorld, AccessTokenWithTheCommonHeaders) {
  ServiceClientInfo info;
  info.clientSn = "{0A1B2C3D-0000-4000-8000-00000000000EG}";
  info.productId = 5793;
  std::string token = RequestAccessToken(info);
  EXPECT_EQ(token.rfind(TokenPrefix(), 0), 0u) << token;
  EXPECT_EQ(info.productVersion, "4.0.5.0");

  std::vector<ServiceRequest> journal = service_.Journal();
  ASSERT_EQ(journal.size(), 1u);
  const ServiceRequest& r = journal[0];
  EXPECT_EQ(r.method, "POST");
  EXPECT_EQ(r.path, kPrimaryToken);
  EXPECT_EQ(r.version, "HTTP/1.0");
  EXPECT_EQ(r.body, kTokenBody);
  std::vector<std::string> expected = {
      "Content-Type: application/json",
      "X-Client-Sn: {0A1B2C3D-0000-4000-8000-00000000000EG}",
      "X-Client-Type: 1",
      "X-App-Key: c3a90f1e7b52d84a06e3f9b1.demo",
      "X-Prod-Id: 5793",
      "X-Lang: en-us",
      "X-Prod-Ver: 4.0.5.0",
  };
  EXPECT_EQ(OwnHeaders(r), expected);
  EXPECT_TRUE(Logged("[INFO] x-lang=[en-us]"));
}

TEST_F(ServiceAccessWorld, AccessTokenAsksThePrimaryAlone) {
  service_.Answer(kPrimaryToken, R"("json": {"code": 401, "msg": "invalid client"})");
  ServiceClientInfo info;
  EXPECT_EQ(RequestAccessToken(info), "");
  SetBases(kDeadBase, service_.Url("/secondary"));
  EXPECT_EQ(RequestAccessToken(info), "");
  EXPECT_EQ(Paths(), std::vector<std::string>{kPrimaryToken});
}

TEST_F(ServiceAccessWorld, AnswersThatGiveNoToken) {
  const char* answers[] = {
      R"("json": {"code": 0, "data": null})",
      R"("json": {"code": 0, "data": {}})",
      R"("json": {"code": 0, "data": {"access_token": 17}})",
      R"("json": {"data": {"access_token": "t"}})",
      R"("body": "<html>maintenance</html>", "status": 503)",
      R"("drop": true)",
  };
  for (const char* answer : answers) {
    service_.Clear();
    ASSERT_TRUE(service_.Answer(kPrimaryToken, answer));
    ASSERT_TRUE(service_.Answer(kSecondaryToken, answer));
    ServiceClientInfo info;
    EXPECT_EQ(RequestAccessToken(info), "") << answer;
    EXPECT_EQ(RequestStrategyToken("5793", "s", "1.1.1"), "") << answer;
  }
}

TEST_F(ServiceAccessWorld, StrategyTokenRepeatsOnceAtTheSecondary) {
  service_.Answer(kPrimaryToken, R"("json": {"code": 401, "msg": "expired", "data": null})");
  std::string token = RequestStrategyToken("5793", "{SIGN}", "1.1.1");
  EXPECT_EQ(token.rfind(TokenPrefix(), 0), 0u) << token;

  std::vector<ServiceRequest> journal = service_.Journal();
  ASSERT_EQ(journal.size(), 2u);
  EXPECT_EQ(journal[0].path, kPrimaryToken);
  EXPECT_EQ(journal[1].path, kSecondaryToken);
  std::vector<std::string> expected = {
      "X-Client-Type: 1",
      "Content-Type: application/json",
      "X-App-Key: c3a90f1e7b52d84a06e3f9b1.demo",
      "X-Client-Sn: {SIGN}",
      "X-Prod-Id: 5793",
      "X-Prod-Ver: 1.1.1",
  };
  for (const ServiceRequest& r : journal) {
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.version, "HTTP/1.0");
    EXPECT_EQ(r.body, kTokenBody);
    EXPECT_EQ(OwnHeaders(r), expected);
  }
  EXPECT_FALSE(Logged("switch host domain"));
}

TEST_F(ServiceAccessWorld, StrategyTokenSwitchesWhenThePrimaryIsGone) {
  service_.Answer(kPrimaryToken, R"("drop": true, "times": 1)");
  EXPECT_EQ(RequestStrategyToken("5793", "s", "1.1.1").rfind(TokenPrefix(), 0), 0u);
  SetBases(kDeadBase, service_.Url("/secondary"));
  EXPECT_EQ(RequestStrategyToken("5793", "s", "1.1.1").rfind(TokenPrefix(), 0), 0u);
  EXPECT_EQ(Paths(), (std::vector<std::string>{kPrimaryToken, kSecondaryToken, kSecondaryToken}));
}

TEST_F(ServiceAccessWorld, StrategyTokenFailsWhenBothBasesRefuse) {
  service_.Answer(kPrimaryToken, R"("json": {"code": 401})");
  service_.Answer(kSecondaryToken, R"("json": {"code": 500, "msg": "down"})");
  EXPECT_EQ(RequestStrategyToken("5793", "s", "1.1.1"), "");
  EXPECT_EQ(Paths(), (std::vector<std::string>{kPrimaryToken, kSecondaryToken}));
  EXPECT_TRUE(Logged(R"([ERROR] get token failed! result=[{"code":500,"msg":"down"}].)"));
}

TEST_F(ServiceAccessWorld, PostWithFallbackDecidesByTheAnswersCode) {
  const std::string primary = std::string("/primary") + kLogsReportPath;
  const std::string secondary = std::string("/secondary") + kLogsReportPath;
  service_.Answer(primary, R"("json": {"code": 0, "data": "p"}, "status": 503, "times": 1)");
  service_.Answer(primary, R"("json": {"code": 7})");
  service_.Answer(secondary, R"("json": {"code": 401, "data": "s"})");
  std::vector<std::string> headers = {"Content-Type: application/json", "X-Extra: 1"};

  // An error status with "code" 0 is a success: the transfer is not asked.
  EXPECT_EQ(PostWithFallback(kLogsReportPath, headers, "{}", SwitchLog::kWarn),
            R"({"code":0,"data":"p"})");
  EXPECT_FALSE(Logged("switch host domain"));
  // The secondary's answer is returned whatever it says.
  EXPECT_EQ(PostWithFallback(kLogsReportPath, headers, "{\"a\":1}", SwitchLog::kSilent),
            R"({"code":401,"data":"s"})");
  EXPECT_FALSE(Logged("switch host domain"));
  EXPECT_EQ(PostWithFallback(kLogsReportPath, headers, "{\"a\":2}", SwitchLog::kWarn),
            R"({"code":401,"data":"s"})");
  EXPECT_TRUE(Logged("[WARN] switch host domain."));

  std::vector<ServiceRequest> journal = service_.Journal();
  ASSERT_EQ(journal.size(), 5u);
  EXPECT_EQ(journal[1].path, primary);
  EXPECT_EQ(journal[2].path, secondary);
  EXPECT_EQ(journal[2].body, "{\"a\":1}");
  EXPECT_EQ(OwnHeaders(journal[2]), headers);
}

}  // namespace
