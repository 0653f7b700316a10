// Whole downloads through the faults of the test world's CDN.
#include "engine/download_status.h"
#include "engine_world.h"

namespace ns_Drav {
namespace {

class MultiDownloaderFault : public EngineWorldTest {
 protected:
  void Fault(const std::string& rest) {
    ASSERT_TRUE(world_.AddFault(R"({"file": ")" + name_ + R"(", )" + rest + "}"));
  }
  std::vector<WorldRequest> Gets() {
    std::vector<WorldRequest> gets;
    for (const WorldRequest& request : world_.Journal(name_)) {
      if (request.method == "GET")
        gets.push_back(request);
    }
    return gets;
  }
  // The attempt numbers that began, and each attempt's end status.
  std::vector<int> AttemptEnds() {
    std::vector<int> ends;
    for (const DownloadEvent& event : events_.Of(kEventAttemptEnd))
      ends.push_back(event.b);
    return ends;
  }
};

TEST_F(MultiDownloaderFault, AServerThatIgnoresRangesGetsOneConnection) {
  std::string md5 = world_.MakeFile(name_, 3 * 1024 * 1024, 11);
  Fault(R"("fault": "ignore_range")");
  CMultiDownloader downloader;
  downloader.SetServerMd5(md5);
  ASSERT_EQ(Run(downloader, world_.HttpUrl("/files/" + name_)), kStatusSuccess);
  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));
  EXPECT_EQ(AttemptEnds(), (std::vector<int>{kStatusReceiveFailed, kStatusSuccess}));
  EXPECT_EQ(Gets().back().range, "bytes=0-");
  EXPECT_NE(NewLog().find("server ignored the range"), std::string::npos);
  EXPECT_NE(NewLog().find("[WARN] not support range download."), std::string::npos);
}

TEST_F(MultiDownloaderFault, Answer416ThenOneOpenEndedConnection) {
  std::string md5 = world_.MakeFile(name_, 2 * 1024 * 1024, 12);
  Fault(R"("fault": "status_416")");  // bounded ranges only
  CMultiDownloader downloader;
  downloader.SetServerMd5(md5);
  ASSERT_EQ(Run(downloader, world_.HttpUrl("/files/" + name_)), kStatusSuccess);
  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));
  EXPECT_EQ(AttemptEnds(), (std::vector<int>{kStatusReceiveFailed, kStatusSuccess}));
  std::vector<WorldRequest> gets = Gets();
  EXPECT_EQ(gets.back().range, "bytes=0-");
  EXPECT_EQ(gets.back().status, 206);
  for (size_t i = 0; i + 1 < gets.size(); ++i)
    EXPECT_EQ(gets[i].status, 416);
}

TEST_F(MultiDownloaderFault, AStalledRangeRestartsFromItsLastSavedByte) {
  std::string md5 = world_.MakeFile(name_, 8 * 1024 * 1024, 13);
  Fault(R"("fault": "stall", "after": 100000, "seconds": 20, "times": 1)");
  CMultiDownloader downloader;
  downloader.SetDownloadConfig(WeakNetworkConfig(4, 4));
  downloader.SetServerMd5(md5);
  ASSERT_EQ(Run(downloader, world_.HttpUrl("/files/" + name_)), kStatusSuccess);
  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));
  EXPECT_EQ(AttemptEnds(), (std::vector<int>{kStatusSuccess}));
  // The stalled request sent 100 000 bytes; a later one asks for the rest.
  std::vector<WorldRequest> gets = Gets();
  auto stalled = std::find_if(gets.begin(), gets.end(),
                              [](const WorldRequest& r) { return r.sent == 100000; });
  ASSERT_NE(stalled, gets.end());
  long long first = 0, last = 0;
  ASSERT_EQ(sscanf(stalled->range.c_str(), "bytes=%lld-%lld", &first, &last), 2);
  std::string restart = "bytes=" + std::to_string(first + 100000) + "-";
  bool restarted = false;
  for (const WorldRequest& request : gets)
    restarted |= request.range.rfind(restart, 0) == 0;
  EXPECT_TRUE(restarted) << restart;
  EXPECT_NE(NewLog().find("failed, redownload range(" + std::to_string(first + 100000) + "~"),
            std::string::npos);
}

TEST_F(MultiDownloaderFault, DroppedConnectionsAreRestartedInTheSameAttempt) {
  std::string md5 = world_.MakeFile(name_, 6 * 1024 * 1024, 14);
  Fault(R"("fault": "drop", "after": 100000, "times": 3)");
  CMultiDownloader downloader;
  downloader.SetServerMd5(md5);
  ASSERT_EQ(Run(downloader, world_.HttpUrl("/files/" + name_)), kStatusSuccess);
  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));
  EXPECT_EQ(AttemptEnds(), (std::vector<int>{kStatusSuccess}));
  std::vector<WorldRequest> gets = Gets();
  EXPECT_EQ(std::count_if(gets.begin(), gets.end(),
                          [](const WorldRequest& r) { return r.sent == 100000; }),
            3);
}

TEST_F(MultiDownloaderFault, ADigestMismatchEndsWithStatus11AfterTenAttempts) {
  world_.MakeFile(name_, 256 * 1024, 15);
  CMultiDownloader downloader;
  downloader.SetDownloadConfig(WeakNetworkConfig(24, 24));
  downloader.SetServerMd5("0123456789ABCDEF0123456789ABCDEF");
  EXPECT_EQ(Run(downloader, world_.HttpUrl("/files/" + name_)), kStatusMd5Failed);
  EXPECT_EQ(AttemptEnds(), std::vector<int>(10, kStatusMd5Failed));
  EXPECT_EQ(events_.Count(kEventRetry), 10);
  EXPECT_EQ(events_.Of(kEventFinished).at(0).a, kStatusMd5Failed);
  EXPECT_FALSE(FileExists(Target()));
  EXPECT_FALSE(FileExists(Target() + ".~P2S"));
  // Each failure lowers the connections: 24, 12, 8, 4, then one.
  std::string log = NewLog();
  EXPECT_NE(log.find("start retry=[1], thread=[12]"), std::string::npos);
  EXPECT_NE(log.find("start retry=[3], thread=[4]"), std::string::npos);
  EXPECT_NE(log.find("[WARN] not support range download."), std::string::npos);
  EXPECT_NE(log.find("re-flush file buffers ok"), std::string::npos);
}

TEST_F(MultiDownloaderFault, ACorruptedByteIsCaughtAndFetchedAgain) {
  std::string md5 = world_.MakeFile(name_, 2 * 1024 * 1024, 16);
  Fault(R"("fault": "corrupt", "offset": 1234567, "times": 1)");
  CMultiDownloader downloader;
  downloader.SetServerMd5(md5);
  ASSERT_EQ(Run(downloader, world_.HttpUrl("/files/" + name_)), kStatusSuccess);
  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));
  EXPECT_EQ(AttemptEnds(), (std::vector<int>{kStatusMd5Failed, kStatusSuccess}));
}

TEST_F(MultiDownloaderFault, AnErrorAnswerEndsTheAttemptInsteadOfLoopingForever) {
  world_.MakeFile(name_, 1024 * 1024, 17);
  Fault(R"("fault": "status", "code": 503, "method": "GET")");
  CMultiDownloader downloader;
  downloader.SetDownloadConfig(WeakNetworkConfig(4, 4));
  downloader.SetServerMd5(std::string(32, 'A'));
  EXPECT_EQ(Run(downloader, world_.HttpUrl("/files/" + name_)), kStatusDownloadFailed);
  EXPECT_EQ(AttemptEnds(), std::vector<int>(10, kStatusDownloadFailed));
  EXPECT_NE(NewLog().find("too many errors without progress (cnt=20 >= 20), break."),
            std::string::npos);
}

TEST_F(MultiDownloaderFault, AnAddressServingAnotherSizeIsLeftForTheOthers) {
  const int64_t size = 3 * 1024 * 1024;
  std::string md5 = world_.MakeFile(name_, size, 18);
  // That address claims a longer file; its ranges are refused and fetched
  // from the other addresses.
  Fault(R"("fault": "size", "size": )" + std::to_string(size + 1000) + R"(, "address": ")" +
        world_.addresses()[1] + R"(")");
  CMultiDownloader downloader;
  downloader.SetHostResolver(std::make_unique<StaticHostResolver>(world_.addresses()));
  downloader.SetDownloadConfig(WeakNetworkConfig(6, 6));
  downloader.SetServerMd5(md5);
  ASSERT_EQ(Run(downloader, world_.HttpsUrl("/files/" + name_)), kStatusSuccess);
  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));
  EXPECT_NE(NewLog().find("server file size differs, ip=[" + world_.addresses()[1] + "]"),
            std::string::npos);
}

}  // namespace
}  // namespace ns_Drav
