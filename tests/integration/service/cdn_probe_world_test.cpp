#include "service/cdn_probe.h"
#include "service_world_test.h"

namespace {

class ProbeWorld : public ServiceWorldTest {
 protected:
  void SetUp() override {
    ServiceWorldTest::SetUp();
    file_ = WorldFileName();
    cdn_.Clear(file_);
  }
  void TearDown() override {
    cdn_.Clear(file_);
    unlink((cdn_.root() + file_).c_str());
    ns_Drav::SetCaBundle(cdn_.ca());
    ServiceWorldTest::TearDown();
  }

  std::string file_;
  double elapsed_ = -1;
  int64_t bytes_ = -1;
};

TEST_F(ProbeWorld, FetchesTheFirstMegabytesOverVerifiedHttps) {
  cdn_.MakeFile(file_, 5 * 1024 * 1024);
  std::string url = cdn_.HttpsIpUrl("/files/" + file_);
  double throughput = ProbeCdnBandwidth(url, 2, 10, &elapsed_, &bytes_);
  EXPECT_EQ(bytes_, 2 * 1048576);
  EXPECT_GT(elapsed_, 0);
  EXPECT_DOUBLE_EQ(throughput, ProbeThroughput(bytes_, elapsed_));
  ASSERT_EQ(cdn_.Journal(file_).size(), 1u);
  EXPECT_EQ(cdn_.Journal(file_)[0].range, "bytes=0-2097151");
  EXPECT_TRUE(Logged("[INFO] ProbeCdnBandwidth, start, url=[" + url +
                     "], probe_size_mb=[2], max_time_s=[10]"));
  EXPECT_TRUE(Logged("[INFO] ProbeCdnBandwidth, done, bytes=[2097152], elapsed_s=["));

  // A certificate that the CA bundle does not vouch for is refused.
  ns_Drav::SetCaBundle("/nonexistent/ca.pem");
  EXPECT_EQ(ProbeCdnBandwidth(url, 2, 10, &elapsed_, &bytes_), 0);
  EXPECT_EQ(bytes_, 0);
  EXPECT_EQ(elapsed_, 0);
  EXPECT_TRUE(Logged("[WARN] ProbeCdnBandwidth, curl failed, code=[77]"));
  ns_Drav::SetCaBundle("");
  EXPECT_EQ(ProbeCdnBandwidth(url, 2, 10, &elapsed_, &bytes_), 0);
  EXPECT_TRUE(Logged("[WARN] ProbeCdnBandwidth, curl failed, code=[60]"));
  EXPECT_EQ(cdn_.Journal(file_).size(), 1u);
}

TEST_F(ProbeWorld, RunningIntoTheTimeLimitStillMeasures) {
  cdn_.MakeFile(file_, 16 * 1024 * 1024);
  cdn_.AddFault(R"({"file": ")" + file_ + R"(", "fault": "rate", "bytes_per_second": 2000000})");
  double throughput = ProbeCdnBandwidth(cdn_.HttpUrl("/files/" + file_), 8, 2, &elapsed_, &bytes_);
  EXPECT_GE(elapsed_, 1.9);
  EXPECT_GT(bytes_, 0);
  EXPECT_LT(bytes_, 8 * 1048576);
  EXPECT_DOUBLE_EQ(throughput, ProbeThroughput(bytes_, elapsed_));
  EXPECT_GT(throughput, 0.5);
  EXPECT_LT(throughput, 2.5);  // the server sends 2 000 000 bytes a second
  EXPECT_TRUE(Logged("curl_code=[28]"));
}

TEST_F(ProbeWorld, NothingToMeasure) {
  struct Case {
    std::string url;
    const char* log;
  } cases[] = {
      {cdn_.HttpUrl("/files/no-such-file.bin"), "[WARN] ProbeCdnBandwidth, curl failed, code=[22]"},
      {std::string(kDeadBase) + "/pkg.exe", "[WARN] ProbeCdnBandwidth, curl failed, code=[7]"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ProbeCdnBandwidth(c.url, 1, 3, &elapsed_, &bytes_), 0) << c.url;
    EXPECT_EQ(bytes_, 0);
    EXPECT_TRUE(Logged(c.log)) << c.url;
  }
  // An empty file gives a reply without bytes.
  WriteFile(cdn_.root() + file_, "");
  cdn_.AddFault(R"({"file": ")" + file_ + R"(", "fault": "ignore_range"})");
  EXPECT_EQ(ProbeCdnBandwidth(cdn_.HttpUrl("/files/" + file_), 1, 3, &elapsed_, &bytes_), 0);
  EXPECT_TRUE(Logged("[WARN] ProbeCdnBandwidth, no data, bytes=[0], elapsed_s=["));
}

}  // namespace
