// The download strategy service: whether to probe the CDN first (preheat),
// how to slice the package and how many connections to use, and the ids of
// related products. Each query asks for a token, then GETs from the
// secondary base with that bearer as its only header; answers that could be
// read are kept per product id for the life of the object and never asked
// for again.
#ifndef QEL_SERVICE_STRATEGY_QUERIES_H_
#define QEL_SERVICE_STRATEGY_QUERIES_H_

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct PreheatConfig {
  int32_t preheatFileSizeMb = 0;
  int32_t maxProbeTimeS = 0;
  std::string version;
  bool hitStrategy = false;
  bool valid = false;  // maxProbeTimeS >= 1
};

struct SliceStrategy {
  int32_t sliceCount = 0;
  int32_t concurrency = 0;
  int32_t sliceUpperLimit = 0;
  int32_t targetSliceSize = 0;
  std::string version;
  bool hitStrategy = false;
  std::string networkTierLabel;
  std::string packageTierMinMb;
  std::string packageTierMaxMb;
  bool valid = false;  // the answer was read
};

class StrategyQueries {
 public:
  // Empty on any failure; only a non-empty list is kept.
  std::vector<int> GetRelationProductIds(int productId, const std::string& clientSn);
  // `packageSize` is the package's remote size in bytes. The default record
  // on a timeout (5 s), a transport or service error or a missing "data".
  PreheatConfig GetPreheatConfig(int productId, int64_t packageSize, const std::string& clientSn);
  // `throughput` in millions of bytes per second, sent with two decimals.
  SliceStrategy GetSliceStrategy(int64_t packageSize,
                                 const std::string& clientSn,
                                 double throughput,
                                 int productId);

 private:
  // The lock guards the caches only; no query holds it while it waits.
  std::mutex lock_;
  std::map<int, std::vector<int>> relation_ids_;
  std::map<int, PreheatConfig> preheat_;
  std::map<int, SliceStrategy> slice_;
};

// The process's queries, shared by the package builder and the
// installed-product checks.
StrategyQueries& SharedStrategyQueries();

// "%.2f" whatever the process's locale says about decimal points.
std::string FormatThroughput(double throughput);

#endif  // QEL_SERVICE_STRATEGY_QUERIES_H_
