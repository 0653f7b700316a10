#include "service/service_access.h"

#include "engine/curl_request.h"
#include "foundation/json_object.h"
#include "foundation/log.h"
#include "service/service_endpoints.h"
#include "service/service_settings.h"

namespace {

constexpr const char* kDefaultProductVersion = "4.0.5.0";
constexpr const char* kTokenBody =
    R"({"grant_type":"client_credentials","app_secret":"Zx8mWq3Nv7RtLp2Kb6Hc9Yd4Gf5Js1Ua0E"})";

std::string Post(const std::string& url,
                 const std::vector<std::string>& headers,
                 const std::string& body,
                 int timeout_s) {
  int status = 0;
  return ns_Drav::CurlRequest(ns_Drav::kRequestPost, url, headers, true, false, body, &status,
                              timeout_s);
}

// data.access_token of a token answer; empty when "data" is missing, null or
// holds no text under that key.
std::string AccessTokenOf(const std::string& body) {
  CJsonObject json;
  std::string token;
  if (!json.ParseText(body) || json.IsNullMember("data"))
    return token;
  json.Child("data").GetMember("access_token", token);
  return token;
}

}  // namespace

void BuildCommonHeaders(ServiceClientInfo& info, std::vector<std::string>* headers) {
  if (info.productVersion.empty())
    info.productVersion = kDefaultProductVersion;
  headers->push_back("X-Client-Sn: " + info.clientSn);
  headers->push_back("X-Client-Type: 1");
  headers->push_back("X-App-Key: " + info.appKey);
  headers->push_back("X-Prod-Id: " + std::to_string(info.productId));
  headers->push_back("X-Lang: " + info.lang);
  headers->push_back("X-Prod-Ver: " + info.productVersion);
  LOG_INFO("[INFO] x-lang=[%s]", info.lang.c_str());
}

std::string RequestAccessToken(ServiceClientInfo& info) {
  std::vector<std::string> headers = {"Content-Type: application/json"};
  BuildCommonHeaders(info, &headers);
  ServiceSettings settings = GetServiceSettings();
  std::string answer =
      Post(settings.primary_base + kTokenPath, headers, kTokenBody, settings.request_timeout_s);
  if (ServiceResultCode(answer) != 0)
    return std::string();
  return AccessTokenOf(answer);
}

std::string RequestStrategyToken(const std::string& productId,
                                 const std::string& clientSn,
                                 const std::string& productVersion) {
  std::vector<std::string> headers = {
      "X-Client-Type: 1",
      "Content-Type: application/json",
      "X-App-Key: c3a90f1e7b52d84a06e3f9b1.demo",
      "X-Client-Sn: " + clientSn,
      "X-Prod-Id: " + productId,
      "X-Prod-Ver: " + productVersion,
  };
  std::string answer = PostWithFallback(kTokenPath, headers, kTokenBody);
  if (ServiceResultCode(answer) != 0) {
    LOG_ERROR("[ERROR] get token failed! result=[%s].", answer.c_str());
    return std::string();
  }
  return AccessTokenOf(answer);
}

std::string PostWithFallback(const std::string& path,
                             const std::vector<std::string>& headers,
                             const std::string& body,
                             SwitchLog log) {
  ServiceSettings settings = GetServiceSettings();
  std::string answer =
      Post(settings.primary_base + path, headers, body, settings.request_timeout_s);
  if (ServiceResultCode(answer) == 0)
    return answer;
  if (log == SwitchLog::kWarn)
    LOG_WARN("[WARN] switch host domain.");
  return Post(settings.secondary_base + path, headers, body, settings.request_timeout_s);
}

std::string BearerHeader(const std::string& token) {
  return "Authorization: Bearer " + token;
}

int ServiceResultCode(const std::string& body) {
  CJsonObject json;
  int32_t code = -1;
  if (!json.ParseText(body) || !json.GetMember("code", code))
    return -1;
  return code;
}
