#include "service/strategy_queries.h"

#include <curl/curl.h>

#include <charconv>
#include <cinttypes>

#include "engine/curl_request.h"
#include "foundation/log.h"
#include "service/json_scan.h"
#include "service/service_access.h"
#include "service/service_endpoints.h"
#include "service/service_settings.h"

namespace {

struct Answer {
  std::string body;
  int curl_code = 0;
};

// One strategy query: token, then the GET with the bearer, logged under
// `name`.
Answer Query(const char* name,
             const std::string& url,
             int productId,
             const std::string& clientSn,
             int timeout_s) {
  LOG_INFO("[INFO] %s, url=[%s]", name, url.c_str());
  std::string token = RequestStrategyToken(std::to_string(productId), clientSn, "1.1.1");
  Answer answer;
  answer.body = ns_Drav::CurlRequest(ns_Drav::kRequestGet, url, {BearerHeader(token)}, true, false,
                                     std::string(), &answer.curl_code, timeout_s);
  LOG_INFO("[INFO] %s, response=[%s]", name, answer.body.c_str());
  return answer;
}

std::string SecondaryUrl(const std::string& path_and_query) {
  return GetServiceSettings().secondary_base + path_and_query;
}

}  // namespace

std::string FormatThroughput(double throughput) {
  char text[64];
  auto result = std::to_chars(text, text + sizeof(text), throughput, std::chars_format::fixed, 2);
  if (result.ec != std::errc())
    return "0.00";
  return std::string(text, result.ptr);
}

std::vector<int> StrategyQueries::GetRelationProductIds(int productId,
                                                        const std::string& clientSn) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto cached = relation_ids_.find(productId);
    if (cached != relation_ids_.end()) {
      LOG_INFO("[INFO] GetRelationProductIds, use cache, product_id=[%d], relation_count=[%d]",
               productId, static_cast<int>(cached->second.size()));
      return cached->second;
    }
  }
  std::string url = SecondaryUrl(kRelationPidPath + std::to_string(productId));
  Answer answer = Query("GetRelationProductIds", url, productId, clientSn,
                        GetServiceSettings().request_timeout_s);
  if (!HasSuccessText(answer.body)) {
    LOG_WARN("[WARN] GetRelationProductIds, api error, product_id=[%d], response=[%s]", productId,
             answer.body.c_str());
    return {};
  }
  std::vector<int> ids = ParseRelationIds(answer.body);
  LOG_INFO("[INFO] GetRelationProductIds, success, product_id=[%d], relation_count=[%d]", productId,
           static_cast<int>(ids.size()));
  if (!ids.empty()) {
    std::lock_guard<std::mutex> hold(lock_);
    relation_ids_.emplace(productId, ids);
    LOG_INFO("[INFO] GetRelationProductIds, cache saved, product_id=[%d]", productId);
  }
  return ids;
}

PreheatConfig StrategyQueries::GetPreheatConfig(int productId,
                                                int64_t packageSize,
                                                const std::string& clientSn) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto cached = preheat_.find(productId);
    if (cached != preheat_.end()) {
      const PreheatConfig& c = cached->second;
      LOG_INFO(
          "[INFO] GetPreheatConfig, use cache, product_id=[%d], preheat_file_size_mb=[%d], "
          "max_probe_time_s=[%d], hit_strategy=[%d]",
          productId, c.preheatFileSizeMb, c.maxProbeTimeS, c.hitStrategy ? 1 : 0);
      return c;
    }
  }
  std::string url = SecondaryUrl(std::string(kPreheatPath) + "?pid=" + std::to_string(productId) +
                                 "&package_size=" + std::to_string(packageSize));
  Answer answer =
      Query("GetPreheatConfig", url, productId, clientSn, GetServiceSettings().strategy_timeout_s);
  if (answer.curl_code == CURLE_OPERATION_TIMEDOUT) {
    LOG_WARN(
        "[WARN] GetPreheatConfig, timeout (5s), skip. product_id=[%d], "
        "package_size_mb=[%" PRId64 "]",
        productId, packageSize);
    return {};
  }
  if (!HasSuccessText(answer.body)) {
    LOG_WARN("[WARN] GetPreheatConfig, api error, product_id=[%d], package_size_mb=[%" PRId64
             "], curl_code=[%d], response=[%s]",
             productId, packageSize, answer.curl_code, answer.body.c_str());
    return {};
  }
  std::string_view data;
  if (!FindDataPart(answer.body, &data))
    return {};
  PreheatConfig c;
  c.preheatFileSizeMb = FindJsonInt(data, "preheat_file_size_mb");
  c.maxProbeTimeS = FindJsonInt(data, "max_probe_time_s");
  c.version = FindJsonString(data, "version");
  c.hitStrategy = FindJsonBool(data, "hit_strategy");
  c.valid = c.maxProbeTimeS >= 1;
  LOG_INFO(
      "[INFO] GetPreheatConfig, success, product_id=[%d], preheat_file_size_mb=[%d], "
      "max_probe_time_s=[%d], version=[%s], hit_strategy=[%d]",
      productId, c.preheatFileSizeMb, c.maxProbeTimeS, c.version.c_str(), c.hitStrategy ? 1 : 0);
  std::lock_guard<std::mutex> hold(lock_);
  preheat_.emplace(productId, c);
  return c;
}

SliceStrategy StrategyQueries::GetSliceStrategy(int64_t packageSize,
                                                const std::string& clientSn,
                                                double throughput,
                                                int productId) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto cached = slice_.find(productId);
    if (cached != slice_.end()) {
      const SliceStrategy& s = cached->second;
      LOG_INFO(
          "[INFO] GetSliceStrategy, use cache, product_id=[%d], slice_count=[%d], "
          "concurrency=[%d], hit_strategy=[%d]",
          productId, s.sliceCount, s.concurrency, s.hitStrategy ? 1 : 0);
      return s;
    }
  }
  std::string url =
      SecondaryUrl(std::string(kSliceStrategyPath) + "?pid=" + std::to_string(productId) +
                   "&throughput_mbps=" + FormatThroughput(throughput) +
                   "&package_size=" + std::to_string(packageSize));
  Answer answer =
      Query("GetSliceStrategy", url, productId, clientSn, GetServiceSettings().strategy_timeout_s);
  if (answer.curl_code == CURLE_OPERATION_TIMEDOUT) {
    LOG_WARN(
        "[WARN] GetSliceStrategy, timeout (5s), skip. product_id=[%d], "
        "throughput_mbps=[%.2f], package_size_mb=[%" PRId64 "]",
        productId, throughput, packageSize);
    return {};
  }
  if (!HasSuccessText(answer.body)) {
    LOG_WARN(
        "[WARN] GetSliceStrategy, api error, product_id=[%d], throughput_mbps=[%.2f], "
        "package_size_mb=[%" PRId64 "], curl_code=[%d], response=[%s]",
        productId, throughput, packageSize, answer.curl_code, answer.body.c_str());
    return {};
  }
  std::string_view data;
  if (!FindDataPart(answer.body, &data))
    return {};
  SliceStrategy s;
  s.sliceCount = FindJsonInt(data, "slice_count");
  s.concurrency = FindJsonInt(data, "concurrency");
  s.sliceUpperLimit = FindJsonInt(data, "slice_upper_limit");
  s.targetSliceSize = FindJsonInt(data, "target_slice_size");
  s.version = FindJsonString(data, "version");
  s.hitStrategy = FindJsonBool(data, "hit_strategy");
  s.networkTierLabel = FindJsonString(data, "network_tier_label");
  s.packageTierMinMb = FindJsonString(data, "package_tier_min_mb");
  s.packageTierMaxMb = FindJsonString(data, "package_tier_max_mb");
  s.valid = true;
  LOG_INFO(
      "[INFO] GetSliceStrategy, success, product_id=[%d], slice_count=[%d], "
      "concurrency=[%d], slice_upper_limit=[%d], target_slice_size=[%d], version=[%s], "
      "hit_strategy=[%d], network_tier=[%s], package_tier_min_mb=[%s], "
      "package_tier_max_mb=[%s]",
      productId, s.sliceCount, s.concurrency, s.sliceUpperLimit, s.targetSliceSize,
      s.version.c_str(), s.hitStrategy ? 1 : 0, s.networkTierLabel.c_str(),
      s.packageTierMinMb.c_str(), s.packageTierMaxMb.c_str());
  std::lock_guard<std::mutex> hold(lock_);
  slice_.emplace(productId, s);
  return s;
}

StrategyQueries& SharedStrategyQueries() {
  static StrategyQueries queries;
  return queries;
}
