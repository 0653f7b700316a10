// Whole downloads against the test world: the main paths and the ways a task
// ends before its first transfer.
#include <sys/mount.h>

#include <set>

#include "engine/download_status.h"
#include "engine_world.h"

namespace ns_Drav {
namespace {

class MultiDownloaderWorld : public EngineWorldTest {};

TEST_F(MultiDownloaderWorld, DownloadsOverManyConnectionsAndChecksTheMd5) {
  const int64_t size = 12 * 1024 * 1024 + 7;  // not a multiple of the 24 slices
  std::string md5 = world_.MakeFile(name_, size, 3);
  CMultiDownloader downloader;
  // Lower case on purpose: both sides are compared in one case.
  std::string lower = md5;
  std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
  downloader.SetServerMd5("0123456789ABCDEF0123456789ABCDEF," + lower);
  ASSERT_EQ(Run(downloader, world_.HttpUrl("/files/" + name_)), kStatusSuccess);

  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));
  EXPECT_FALSE(FileExists(Target() + ".~P2S"));
  std::vector<int> types = events_.Types();
  // Prepare, begin, name, size, connections, then the ranges of the plan.
  ASSERT_GE(types.size(), 6u);
  EXPECT_EQ(std::vector<int>(types.begin(), types.begin() + 5),
            (std::vector<int>{kEventPrepare, kEventBegin, kEventFileName, kEventFileSize,
                              kEventThreadConfig}));
  EXPECT_EQ(events_.Of(kEventFileName)[0].text, name_);
  EXPECT_EQ(events_.Of(kEventFileSize)[0].value, size);
  EXPECT_EQ(events_.Of(kEventThreadConfig)[0].a, 24);
  for (size_t i = 5; i < 5 + 48; i += 2) {
    EXPECT_EQ(types[i], kEventRangeIp);
    EXPECT_EQ(types[i + 1], kEventRangeStarted);
  }
  EXPECT_EQ(types[5 + 48], kEventRetry);
  // The end: digest, match, attempt end, finished.
  EXPECT_EQ(std::vector<int>(types.end() - 4, types.end()),
            (std::vector<int>{kEventFileMd5, kEventMd5Match, kEventAttemptEnd, kEventFinished}));
  EXPECT_EQ(events_.Of(kEventFileMd5)[0].text, md5);
  EXPECT_EQ(events_.Of(kEventFinished)[0].a, kStatusSuccess);
  DownloadEvent last_progress = events_.Of(kEventProgress).back();
  EXPECT_EQ(last_progress.progress.downloaded, size);
  EXPECT_EQ(last_progress.progress.total, size);

  std::set<std::string> ranges;
  for (const WorldRequest& request : world_.Journal(name_)) {
    if (request.method == "GET") {
      EXPECT_EQ(request.version, "HTTP/1.0");
      ranges.insert(request.range);
    }
  }
  EXPECT_GE(ranges.size(), 24u);
  int64_t slice = (size + 23) / 24;
  std::string last = "bytes=" + std::to_string(23 * slice) + "-" + std::to_string(size - 1);
  EXPECT_EQ(ranges.count(last), 1u) << last;  // the short last slice
}

TEST_F(MultiDownloaderWorld, HundredSlicesWaitForTwentyFourConnections) {
  const int64_t size = 10 * 1024 * 1024;
  std::string md5 = world_.MakeFile(name_, size, 4);
  CMultiDownloader downloader;
  downloader.SetDownloadConfig(WeakNetworkConfig(100, 24));
  downloader.SetServerMd5(md5);
  ASSERT_EQ(Run(downloader, world_.HttpUrl("/files/" + name_)), kStatusSuccess);
  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));
  EXPECT_NE(NewLog().find("segment/concurrent decoupled: segments=[100], active=[24], "
                          "pending=[76]."),
            std::string::npos);
  std::vector<int> types = events_.Types();
  auto retry = std::find(types.begin(), types.end(), kEventRetry);
  EXPECT_EQ(std::count(types.begin(), retry, kEventRangeStarted), 24);
  EXPECT_GE(events_.Count(kEventRangeStarted), 100);
  EXPECT_NE(NewLog().find("start pending segment range("), std::string::npos);
  EXPECT_NE(NewLog().find("~10485759), remaining=[0]."), std::string::npos);
}

TEST_F(MultiDownloaderWorld, SpreadsVerifiedTlsConnectionsOverTheHostsAddresses) {
  const int64_t size = 6 * 1024 * 1024;
  world_.MakeFile(name_, size, 5);
  CMultiDownloader downloader;
  downloader.SetHostResolver(std::make_unique<StaticHostResolver>(world_.addresses()));
  int spread = static_cast<int>(world_.addresses().size());  // a connection per address
  downloader.SetDownloadConfig(WeakNetworkConfig(spread, spread));
  // No digest: accepted on its size because it came over verified TLS.
  ASSERT_EQ(Run(downloader, world_.HttpsUrl("/files/" + name_)), kStatusSuccess);
  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));
  std::set<std::string> addresses;
  for (const WorldRequest& request : world_.Journal(name_)) {
    EXPECT_EQ(request.scheme, "https");
    addresses.insert(request.address);
  }
  EXPECT_EQ(addresses.size(), world_.addresses().size());
  ASSERT_EQ(events_.Count(kEventDnsQueried), 1);
  EXPECT_EQ(events_.Of(kEventDnsQueried)[0].text.rfind("cdn.qel.test:", 0), 0u);
  EXPECT_EQ(events_.Count(kEventFileMd5), 0);
}

TEST_F(MultiDownloaderWorld, KeptAliveConnectionsCarryTheNextSlices) {
  const int64_t size = 4 * 1024 * 1024;
  std::string md5 = world_.MakeFile(name_, size, 8);
  // HTTPS speaks HTTP/1.1; plain HTTP requests go out as HTTP/1.0, which
  // keeps a connection only when asked to.
  for (bool https : {true, false}) {
    SCOPED_TRACE(https ? "https" : "http");
    world_.Clear(name_);
    DeleteFile(Target());
    CMultiDownloader downloader;
    downloader.SetHostResolver(std::make_unique<StaticHostResolver>(world_.addresses()));
    downloader.SetDownloadConfig(WeakNetworkConfig(40, 4));
    downloader.SetServerMd5(md5);
    std::string path = "/files/" + name_;
    ASSERT_EQ(Run(downloader, https ? world_.HttpsUrl(path) : world_.HttpUrl(path)),
              kStatusSuccess);
    EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));
    int gets = 0;
    std::set<int> connections;
    for (const WorldRequest& request : world_.Journal(name_)) {
      gets += request.method == "GET";
      connections.insert(request.client_port);
    }
    EXPECT_GE(gets, 40);
    // The size query's connection and the four ranges' ones; splits and the
    // odd closed connection may add a few.
    EXPECT_LE(connections.size(), 12u) << gets << " requests";
  }
}

TEST_F(MultiDownloaderWorld, RefusesAPlainHttpPackageWithoutADigest) {
  world_.MakeFile(name_, 1000);
  CMultiDownloader downloader;
  downloader.SetServerMd5("ab");  // too short to be checked
  EXPECT_EQ(Run(downloader, world_.HttpUrl("/files/" + name_)), kStatusMd5Failed);
  EXPECT_TRUE(world_.Journal(name_).empty());  // not even the size was asked
  EXPECT_NE(NewLog().find("no md5 to verify a download over plain http"), std::string::npos);
  EXPECT_FALSE(FileExists(Target()));
  EXPECT_EQ(events_.Of(kEventFinished)[0].a, kStatusMd5Failed);
}

TEST_F(MultiDownloaderWorld, RefusesUrlsWithoutAUsableFileName) {
  for (const std::string path : {"/files/", "/files/..", "/files/a%5Cb/.."}) {
    EventLog events;
    CMultiDownloader downloader;
    downloader.SetObserver(&events);
    downloader.SetServerMd5(std::string(32, 'A'));
    ASSERT_TRUE(downloader.Download(1, world_.HttpUrl(path), dir_.path()));
    downloader.Wait();
    EXPECT_EQ(downloader.status(), kStatusUrlError) << path;
    EXPECT_EQ(events.Count(kEventFileName), 0) << path;
    EXPECT_EQ(events.Of(kEventFinished).at(0).a, kStatusUrlError) << path;
  }
}

TEST_F(MultiDownloaderWorld, APackageAlreadyInPlaceEndsAtOnce) {
  std::string md5 = world_.MakeFile(name_, 300000, 6);
  WriteFile(Target(), ReadFile(Source()));
  CMultiDownloader downloader;
  downloader.SetServerMd5(md5);
  EXPECT_EQ(Run(downloader, world_.HttpUrl("/files/" + name_)), kStatusAlreadyDownloaded);
  for (const WorldRequest& request : world_.Journal(name_))
    EXPECT_EQ(request.method, "HEAD");
  EXPECT_EQ(events_.Count(kEventRetry), 0);
  EXPECT_EQ(events_.Count(kEventFileMd5), 0);  // the shortcut checks silently

  // The same size with other bytes is fetched again and replaced.
  WriteFile(Target(), std::string(300000, 'x'));
  CMultiDownloader again;
  again.SetServerMd5(md5);
  EXPECT_EQ(Run(again, world_.HttpUrl("/files/" + name_)), kStatusSuccess);
  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));
}

TEST_F(MultiDownloaderWorld, ASizeTheServerDoesNotGiveEndsWithStatus5) {
  CMultiDownloader downloader;
  downloader.SetServerMd5(std::string(32, 'A'));
  EXPECT_EQ(Run(downloader, world_.HttpUrl("/files/" + name_)), kStatusSiteInfoFailed);
  ASSERT_EQ(events_.Count(kEventPackageInfoFailed), 1);
  EXPECT_EQ(events_.Of(kEventPackageInfoFailed)[0].a, 2);
  EXPECT_EQ(events_.Count(kEventFileSize), 0);
}

// A folder on a 1 MiB volume of its own.
class SmallVolume {
 public:
  explicit SmallVolume(const std::string& folder) : folder_(folder) {
    mounted_ = mount("qel-test", folder.c_str(), "tmpfs", 0, "size=1m") == 0;
  }
  ~SmallVolume() {
    if (mounted_)
      umount2(folder_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  std::string folder_;
  bool mounted_ = false;
};

TEST_F(MultiDownloaderWorld, AVolumeTooSmallEndsWithStatus10BeforeAnyTransfer) {
  std::string md5 = world_.MakeFile(name_, 4 * 1024 * 1024, 7);
  SmallVolume volume(dir_.path());
  if (!volume.mounted())
    GTEST_SKIP() << "mounting a tmpfs needs root";
  CMultiDownloader downloader;
  downloader.SetServerMd5(md5);
  EXPECT_EQ(Run(downloader, world_.HttpUrl("/files/" + name_)), kStatusDiskFull);
  ASSERT_EQ(events_.Count(kEventFileError), 1);
  EXPECT_EQ(events_.Of(kEventFileError)[0].a, kFileErrorDiskFull);
  EXPECT_EQ(events_.Of(kEventFileError)[0].b, 112);
  EXPECT_EQ(events_.Count(kEventRetry), 0);
  EXPECT_NE(NewLog().find("disk space not enough"), std::string::npos);
  EXPECT_FALSE(FileExists(Target() + ".~P2S"));
  for (const WorldRequest& request : world_.Journal(name_))
    EXPECT_EQ(request.method, "HEAD");
}

}  // namespace
}  // namespace ns_Drav
