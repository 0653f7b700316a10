#include "service/cdn_probe.h"
#include "service/strategy_queries.h"
#include "service_world_test.h"

namespace {

constexpr int kProductId = 5793;
constexpr int64_t kThreeGiB = 3LL << 30;
const std::string kPreheat = "/secondary/v3/downloader/strategy/preheat";
const std::string kSlice = "/secondary/v3/downloader/strategy";
const std::string kRelation = "/secondary/v5/product/get-relation-pid/5793";
const std::string kToken = "/primary/v3/user/client/token";

const char* kPreheatHit =
    R"("auth": true, "json": {"code": 0, "msg": "success", "data": {"preheat_file_size_mb": 1,)"
    R"( "max_probe_time_s": 5, "version": "pv2", "hit_strategy": true}})";
const char* kSliceHit =
    R"("auth": true, "json": {"code": 0, "data": {"slice_count": 48, "concurrency": 12,)"
    R"( "slice_upper_limit": 64, "target_slice_size": 2, "version": "sv3", "hit_strategy": true,)"
    R"( "network_tier_label": "weak", "package_tier_min_mb": "1024",)"
    R"( "package_tier_max_mb": "4096"}})";

// How the package builder runs the queries: preheat, and on a hit the probe
// and the slice strategy.
struct Outcome {
  PreheatConfig preheat;
  bool probed = false;
  double throughput = 0;
  int64_t probe_bytes = 0;
  SliceStrategy slice;
  bool use_strategy = false;
};

Outcome RunSequence(StrategyQueries& queries, const std::string& url, int64_t size) {
  Outcome o;
  o.preheat = queries.GetPreheatConfig(kProductId, size, "{SIGN}");
  if (!o.preheat.valid || !o.preheat.hitStrategy)
    return o;
  double elapsed = 0;
  o.probed = true;
  o.throughput = ProbeCdnBandwidth(url, o.preheat.preheatFileSizeMb, o.preheat.maxProbeTimeS,
                                   &elapsed, &o.probe_bytes);
  o.slice = queries.GetSliceStrategy(size, "{SIGN}", o.throughput, kProductId);
  o.use_strategy = o.slice.valid && o.slice.hitStrategy;
  return o;
}

class StrategyWorld : public ServiceWorldTest {
 protected:
  void SetUp() override {
    ServiceWorldTest::SetUp();
    file_ = WorldFileName();
    cdn_.Clear(file_);
    cdn_.MakeFile(file_, 3 * 1024 * 1024);
  }
  void TearDown() override {
    cdn_.Clear(file_);
    unlink((cdn_.root() + file_).c_str());
    ServiceWorldTest::TearDown();
  }
  std::string PackageUrl() const { return cdn_.HttpUrl("/files/" + file_); }
  // The requests to `path`.
  std::vector<ServiceRequest> To(const std::string& path) const {
    std::vector<ServiceRequest> found;
    for (ServiceRequest& r : service_.Journal()) {
      if (r.path == path)
        found.push_back(r);
    }
    return found;
  }

  std::string file_;
  StrategyQueries queries_;
};

TEST_F(StrategyWorld, PreheatProbeAndSliceWithAHit) {
  service_.Answer(kPreheat, kPreheatHit);
  service_.Answer(kSlice, kSliceHit);
  Outcome o = RunSequence(queries_, PackageUrl(), kThreeGiB);

  EXPECT_TRUE(o.preheat.valid);
  EXPECT_EQ(o.preheat.preheatFileSizeMb, 1);
  EXPECT_EQ(o.preheat.maxProbeTimeS, 5);
  EXPECT_EQ(o.preheat.version, "pv2");
  EXPECT_EQ(o.probe_bytes, 1048576);
  EXPECT_GT(o.throughput, 0);
  EXPECT_TRUE(o.use_strategy);
  const SliceStrategy& s = o.slice;
  EXPECT_EQ(s.sliceCount, 48);
  EXPECT_EQ(s.concurrency, 12);
  EXPECT_EQ(s.sliceUpperLimit, 64);
  EXPECT_EQ(s.targetSliceSize, 2);
  EXPECT_EQ(s.version, "sv3");
  EXPECT_EQ(s.networkTierLabel, "weak");
  EXPECT_EQ(s.packageTierMinMb, "1024");
  EXPECT_EQ(s.packageTierMaxMb, "4096");

  // Token, query, token, query; each query with the bearer as its only own
  // header and the full byte count of a package above 2 GiB.
  EXPECT_EQ(Paths(), (std::vector<std::string>{kToken, kPreheat, kToken, kSlice}));
  std::vector<ServiceRequest> journal = service_.Journal();
  for (const ServiceRequest* r : {&journal[1], &journal[3]}) {
    EXPECT_EQ(r->method, "GET");
    EXPECT_EQ(r->version, "HTTP/1.0");
    ASSERT_EQ(OwnHeaders(*r).size(), 1u);
    EXPECT_EQ(r->Header("Authorization").rfind("Bearer " + TokenPrefix(), 0), 0u);
  }
  EXPECT_EQ(journal[1].query, "pid=5793&package_size=3221225472");
  EXPECT_EQ(journal[3].query, "pid=5793&throughput_mbps=" + FormatThroughput(o.throughput) +
                                  "&package_size=3221225472");
  EXPECT_EQ(journal[0].Header("X-Prod-Ver"), "1.1.1");

  std::vector<WorldRequest> probe = cdn_.Journal(file_);
  ASSERT_EQ(probe.size(), 1u);
  EXPECT_EQ(probe[0].range, "bytes=0-1048575");
  std::string log = NewLog();
  EXPECT_NE(log.find("[INFO] GetPreheatConfig, url=[" + service_.Url(kPreheat) +
                     "?pid=5793&package_size=3221225472]"),
            std::string::npos);
  EXPECT_NE(log.find("[INFO] GetPreheatConfig, success, product_id=[5793], "
                     "preheat_file_size_mb=[1], max_probe_time_s=[5], version=[pv2], "
                     "hit_strategy=[1]"),
            std::string::npos);
  EXPECT_NE(log.find("[INFO] ProbeCdnBandwidth, done, bytes=[1048576]"), std::string::npos);
  EXPECT_NE(log.find("[INFO] GetSliceStrategy, success, product_id=[5793], slice_count=[48], "
                     "concurrency=[12], slice_upper_limit=[64], target_slice_size=[2], "
                     "version=[sv3], hit_strategy=[1], network_tier=[weak], "
                     "package_tier_min_mb=[1024], package_tier_max_mb=[4096]"),
            std::string::npos);
}

TEST_F(StrategyWorld, MissesAtThePreheatAndAtTheSlice) {
  // No preheat hit: no probe and no slice query.
  service_.Answer(kPreheat, R"("auth": true, "json": {"code": 0, "data": {)"
                            R"("preheat_file_size_mb": 4, "max_probe_time_s": 3,)"
                            R"( "hit_strategy": false}}, "times": 1)");
  Outcome o = RunSequence(queries_, PackageUrl(), 1000);
  EXPECT_TRUE(o.preheat.valid);
  EXPECT_FALSE(o.preheat.hitStrategy);
  EXPECT_FALSE(o.probed);
  EXPECT_EQ(Paths(), (std::vector<std::string>{kToken, kPreheat}));

  // A slice answer without a hit is read but not used.
  StrategyQueries fresh;
  service_.Answer(kPreheat, kPreheatHit);
  service_.Answer(kSlice, R"("auth": true, "json": {"code": 0, "data": {"slice_count": 8,)"
                          R"( "concurrency": 4, "hit_strategy": false}})");
  o = RunSequence(fresh, PackageUrl(), 1000);
  EXPECT_TRUE(o.probed);
  EXPECT_TRUE(o.slice.valid);
  EXPECT_EQ(o.slice.sliceCount, 8);
  EXPECT_FALSE(o.use_strategy);
}

TEST_F(StrategyWorld, AnsweredQueriesAreAskedOnce) {
  service_.Answer(kPreheat, kPreheatHit);
  service_.Answer(kSlice, kSliceHit);
  service_.Answer(kRelation, R"("auth": true, "json": {"code": 0, "data": [12, 34, 56]})");
  PreheatConfig preheat = queries_.GetPreheatConfig(kProductId, 1000, "{SIGN}");
  SliceStrategy slice = queries_.GetSliceStrategy(1000, "{SIGN}", 1.5, kProductId);
  std::vector<int> ids = queries_.GetRelationProductIds(kProductId, "{SIGN}");
  size_t asked = service_.Journal().size();
  EXPECT_EQ(asked, 6u);

  service_.Answer(kPreheat, R"("json": {"code": 0, "data": {"max_probe_time_s": 9}})");
  EXPECT_EQ(queries_.GetPreheatConfig(kProductId, 2000, "{OTHER}").maxProbeTimeS,
            preheat.maxProbeTimeS);
  EXPECT_EQ(queries_.GetSliceStrategy(1000, "{SIGN}", 99.0, kProductId).sliceCount,
            slice.sliceCount);
  EXPECT_EQ(queries_.GetRelationProductIds(kProductId, "{SIGN}"), (std::vector<int>{12, 34, 56}));
  EXPECT_EQ(service_.Journal().size(), asked);
  EXPECT_TRUE(
      Logged("[INFO] GetPreheatConfig, use cache, product_id=[5793], "
             "preheat_file_size_mb=[1], max_probe_time_s=[5], hit_strategy=[1]"));
  EXPECT_TRUE(
      Logged("[INFO] GetSliceStrategy, use cache, product_id=[5793], slice_count=[48], "
             "concurrency=[12], hit_strategy=[1]"));
  EXPECT_TRUE(
      Logged("[INFO] GetRelationProductIds, use cache, product_id=[5793], "
             "relation_count=[3]"));
  EXPECT_TRUE(Logged("[INFO] GetRelationProductIds, cache saved, product_id=[5793]"));
  // Another product is asked for.
  queries_.GetPreheatConfig(kProductId + 1, 1000, "{SIGN}");
  EXPECT_EQ(service_.Journal().size(), asked + 2);
  EXPECT_EQ(ids.size(), 3u);
}

TEST_F(StrategyWorld, FailedQueriesAreAskedAgain) {
  service_.Answer(kPreheat, R"("json": {"code": 500, "msg": "busy"}, "times": 1)");
  service_.Answer(kPreheat, R"("json": {"code": 0}, "times": 1)");  // no "data"
  service_.Answer(kPreheat, kPreheatHit);
  EXPECT_FALSE(queries_.GetPreheatConfig(kProductId, kThreeGiB, "s").valid);
  EXPECT_TRUE(
      Logged("[WARN] GetPreheatConfig, api error, product_id=[5793], "
             "package_size_mb=[3221225472], curl_code=[0], "
             R"(response=[{"code":500,"msg":"busy"}])"));
  EXPECT_FALSE(queries_.GetPreheatConfig(kProductId, kThreeGiB, "s").valid);
  EXPECT_TRUE(queries_.GetPreheatConfig(kProductId, kThreeGiB, "s").valid);
  EXPECT_EQ(To(kPreheat).size(), 3u);

  service_.Answer(kSlice, R"("body": "<html>bad gateway</html>", "status": 502, "times": 1)");
  service_.Answer(kSlice, kSliceHit);
  EXPECT_FALSE(queries_.GetSliceStrategy(kThreeGiB, "s", 0, kProductId).valid);
  EXPECT_TRUE(
      Logged("[WARN] GetSliceStrategy, api error, product_id=[5793], "
             "throughput_mbps=[0.00], package_size_mb=[3221225472], curl_code=[0], "
             "response=[<html>bad gateway</html>]"));
  EXPECT_TRUE(queries_.GetSliceStrategy(kThreeGiB, "s", 0, kProductId).valid);
  EXPECT_EQ(To(kSlice).size(), 2u);
  EXPECT_EQ(To(kSlice)[1].query, "pid=5793&throughput_mbps=0.00&package_size=3221225472");
}

TEST_F(StrategyWorld, PreheatWithoutProbeTimeIsKeptButNotValid) {
  service_.Answer(kPreheat, R"("auth": true, "json": {"code": 0, "data": {)"
                            R"("preheat_file_size_mb": 2, "max_probe_time_s": 0,)"
                            R"( "hit_strategy": true}})");
  Outcome o = RunSequence(queries_, PackageUrl(), 1000);
  EXPECT_FALSE(o.preheat.valid);
  EXPECT_TRUE(o.preheat.hitStrategy);
  EXPECT_FALSE(o.probed);
  queries_.GetPreheatConfig(kProductId, 1000, "s");
  EXPECT_EQ(To(kPreheat).size(), 1u);
}

TEST_F(StrategyWorld, DataNullIsReadAsZeros) {
  service_.Answer(kPreheat, R"("auth": true, "json": {"code": 0, "data": null})");
  service_.Answer(kSlice, R"("auth": true, "json": {"code": 0, "data": null})");
  PreheatConfig preheat = queries_.GetPreheatConfig(kProductId, 1000, "s");
  EXPECT_FALSE(preheat.valid);
  EXPECT_EQ(preheat.maxProbeTimeS, 0);
  SliceStrategy slice = queries_.GetSliceStrategy(1000, "s", 0, kProductId);
  EXPECT_TRUE(slice.valid);
  EXPECT_FALSE(slice.hitStrategy);
  EXPECT_EQ(slice.sliceCount, 0);
}

TEST_F(StrategyWorld, FailedTokenStillSendsTheQuery) {
  service_.Answer(kToken, R"("json": {"code": 401})");
  service_.Answer("/secondary/v3/user/client/token", R"("json": {"code": 401})");
  service_.Answer(kPreheat, kPreheatHit);  // only with a valid token
  EXPECT_FALSE(queries_.GetPreheatConfig(kProductId, 1000, "s").valid);
  std::vector<ServiceRequest> query = To(kPreheat);
  ASSERT_EQ(query.size(), 1u);
  EXPECT_EQ(query[0].Header("Authorization"), "Bearer ");
  EXPECT_TRUE(Logged("[ERROR] get token failed!"));
  EXPECT_TRUE(Logged(R"(curl_code=[0], response=[{"code":401,"msg":"unauthorized","data":null}])"));
}

TEST_F(StrategyWorld, RelationIdsInTheFormsTheServiceWrites) {
  struct Case {
    const char* answer;
    std::vector<int> ids;
    const char* log;
  } cases[] = {
      {R"("json": {"code": 0, "data": [12, 34, 56]})",
       {12, 34, 56},
       "[INFO] GetRelationProductIds, success, product_id=[5793], relation_count=[3]"},
      {R"("body": "{\"code\":0,\"data\":[12,34,56]}")", {12, 34, 56}, "relation_count=[3]"},
      {R"("body": "{\"code\":0,\"data\":[\"12\",\"34\"]}")", {12, 34}, "relation_count=[2]"},
      {R"("json": {"code": 0, "data": []})", {}, "relation_count=[0]"},
      {R"("json": {"code": 404, "data": [1]})",
       {},
       R"([WARN] GetRelationProductIds, api error, product_id=[5793], response=[{"code":404,"data":[1]}])"},
      {R"("body": "not json at all")", {}, "api error"},
      {R"("drop": true)", {}, "response=[]"},
  };
  for (const Case& c : cases) {
    service_.Clear();
    service_.Answer(kRelation, std::string(c.answer) + R"(, "auth": true)");
    StrategyQueries queries;
    EXPECT_EQ(queries.GetRelationProductIds(kProductId, "s"), c.ids) << c.answer;
    EXPECT_TRUE(Logged(c.log)) << c.answer;
    // Only ids are kept: an empty answer is asked for again.
    queries.GetRelationProductIds(kProductId, "s");
    EXPECT_EQ(To(kRelation).size(), c.ids.empty() ? 2u : 1u) << c.answer;
  }
  EXPECT_TRUE(Logged("[INFO] GetRelationProductIds, url=[" + service_.Url(kRelation) + "]"));
}

// The waits that bound a slow service are real: five seconds.
TEST_F(StrategyWorld, SlowPreheatIsSkippedAfterFiveSeconds) {
  service_.Answer(kPreheat, R"("json": {"code": 0, "data": {"max_probe_time_s": 3,)"
                            R"( "hit_strategy": true}}, "delay": 6, "times": 1)");
  service_.Answer(kPreheat, kPreheatHit);
  EXPECT_FALSE(queries_.GetPreheatConfig(kProductId, kThreeGiB, "s").valid);
  EXPECT_TRUE(
      Logged("[WARN] GetPreheatConfig, timeout (5s), skip. product_id=[5793], "
             "package_size_mb=[3221225472]"));
  EXPECT_TRUE(queries_.GetPreheatConfig(kProductId, kThreeGiB, "s").valid);
}

TEST_F(StrategyWorld, SlowSliceStrategyIsSkipped) {
  ServiceSettings settings = GetServiceSettings();
  settings.strategy_timeout_s = 1;
  SetServiceSettings(settings);
  service_.Answer(kSlice, std::string(kSliceHit) + R"(, "delay": 3, "times": 1)");
  SliceStrategy slice = queries_.GetSliceStrategy(kThreeGiB, "s", 2.5, kProductId);
  EXPECT_FALSE(slice.valid);
  EXPECT_EQ(slice.sliceCount, 0);
  EXPECT_TRUE(
      Logged("[WARN] GetSliceStrategy, timeout (5s), skip. product_id=[5793], "
             "throughput_mbps=[2.50], package_size_mb=[3221225472]"));
}

}  // namespace
