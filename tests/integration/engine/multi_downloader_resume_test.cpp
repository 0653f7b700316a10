// Cancel, resume and the resume record of the temporary file.
#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/download_status.h"
#include "engine/resume_record.h"
#include "engine_world.h"

namespace ns_Drav {
namespace {

class MultiDownloaderResume : public EngineWorldTest {
 protected:
  void Fault(const std::string& rest) {
    ASSERT_TRUE(world_.AddFault(R"({"file": ")" + name_ + R"(", )" + rest + "}"));
  }
  std::string TempPath(const std::string& folder) const { return folder + name_ + ".~P2S"; }

  // Checks that every byte the record of `path` does not list is the
  // package's own byte: a resumed file can then have no hole.
  void ExpectNoHoles(const std::string& path, int64_t total, std::map<int64_t, int64_t>* record) {
    ASSERT_TRUE(ReadResumeRecord(path, total, record));
    std::string temp = ReadFile(path);
    std::string source = ReadFile(Source());
    int64_t at = 0;
    auto check_until = [&](int64_t end) {
      for (; at < end; ++at) {
        if (temp[at] != source[at]) {
          ADD_FAILURE() << "byte " << at << " is not in the record and not in the file";
          return;
        }
      }
    };
    for (const auto& [start, end] : *record) {
      check_until(start);
      at = std::max(at, end + 1);
    }
    check_until(total);
  }

  void WaitForBytes(CMultiDownloader& downloader, int64_t bytes) {
    for (int i = 0; i < 1000 && downloader.GetProgress().downloaded < bytes; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(downloader.GetProgress().downloaded, bytes);
  }
};

TEST_F(MultiDownloaderResume, ACanceledDownloadResumesFromItsRecord) {
  const int64_t size = 16 * 1024 * 1024;
  std::string md5 = world_.MakeFile(name_, size, 21);
  Fault(R"("fault": "rate", "bytes_per_second": 1048576)");
  std::map<int64_t, int64_t> record;
  {
    // 16 slices over 4 connections: at the cancel, 12 slices never began.
    CMultiDownloader downloader;
    downloader.SetDownloadConfig(WeakNetworkConfig(16, 4));
    downloader.SetServerMd5(md5);
    downloader.SetObserver(&events_);
    ASSERT_TRUE(downloader.Download(7, world_.HttpUrl("/files/" + name_), dir_.path()));
    WaitForBytes(downloader, 1024 * 1024);
    downloader.Cancel();
    downloader.Wait();
    EXPECT_EQ(downloader.status(), kStatusCanceled);
  }
  EXPECT_EQ(events_.Of(kEventFinished).at(0).a, kStatusCanceled);
  EXPECT_EQ(events_.Of(kEventAttemptEnd).at(0).b, kStatusCanceled);
  EXPECT_FALSE(FileExists(Target()));
  ExpectNoHoles(TempPath(dir_.path()), size, &record);
  int64_t missing = 0;
  for (const auto& [start, end] : record)
    missing += end - start + 1;
  EXPECT_GT(missing, 12 * 1024 * 1024);  // the waiting slices are in the record
  EXPECT_LT(missing, size);

  // Later, without the limit: only the recorded ranges are fetched.
  world_.Clear(name_);
  EventLog events;
  CMultiDownloader resumed;
  resumed.SetServerMd5(md5);
  resumed.SetObserver(&events);
  ASSERT_TRUE(resumed.Download(7, world_.HttpUrl("/files/" + name_), dir_.path()));
  resumed.Wait();
  ASSERT_EQ(resumed.status(), kStatusSuccess);
  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));
  EXPECT_NE(NewLog().find("[INFO] multi, resume download."), std::string::npos);
  EXPECT_NE(NewLog().find("cached=[" + std::to_string(size - missing) + "]"), std::string::npos);
  for (const WorldRequest& request : world_.Journal(name_)) {
    if (request.method != "GET")
      continue;
    long long first = 0;
    ASSERT_EQ(sscanf(request.range.c_str(), "bytes=%lld-", &first), 1);
    auto entry = record.upper_bound(first);
    ASSERT_NE(entry, record.begin()) << request.range;
    --entry;
    EXPECT_LE(first, entry->second) << request.range << " asks for bytes the file had";
  }
}

TEST_F(MultiDownloaderResume, ACheckpointLetsACopyTakenMidwayFinish) {
  // 64 MiB at 24 x 1 MiB/s: the 30 MiB checkpoint comes after about a second.
  const int64_t size = 64 * 1024 * 1024;
  std::string md5 = world_.MakeFile(name_, size, 22);
  Fault(R"("fault": "rate", "bytes_per_second": 1048576)");
  TempDir copy;
  std::map<int64_t, int64_t> record;
  {
    CMultiDownloader downloader;
    downloader.SetServerMd5(md5);
    ASSERT_TRUE(downloader.Download(7, world_.HttpUrl("/files/" + name_), dir_.path()));
    WaitForBytes(downloader, 34 * 1024 * 1024);
    // What a killed process would leave behind, taken while the ranges run.
    std::filesystem::copy_file(TempPath(dir_.path()), TempPath(copy.path()));
    downloader.Cancel();
  }
  ExpectNoHoles(TempPath(copy.path()), size, &record);

  world_.Clear(name_);
  CMultiDownloader resumed;
  resumed.SetServerMd5(md5);
  ASSERT_TRUE(resumed.Download(7, world_.HttpUrl("/files/" + name_), copy.path()));
  resumed.Wait();
  ASSERT_EQ(resumed.status(), kStatusSuccess);
  EXPECT_EQ(ReadFile(copy.path() + name_), ReadFile(Source()));
}

TEST_F(MultiDownloaderResume, ADamagedRecordIsIgnored) {
  const int64_t size = 2 * 1024 * 1024;
  std::string md5 = world_.MakeFile(name_, size, 23);
  // Package-sized garbage and a record whose count does not fit the file.
  std::string damaged = std::string(size, 'g') + EncodeResumeRecord({{0, 99}});
  damaged[damaged.size() - 8] = 7;
  WriteFile(TempPath(dir_.path()), damaged);
  CMultiDownloader downloader;
  downloader.SetServerMd5(md5);
  ASSERT_EQ(Run(downloader, world_.HttpUrl("/files/" + name_)), kStatusSuccess);
  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));
  EXPECT_EQ(NewLog().find("resume download"), std::string::npos);
  EXPECT_EQ(events_.Count(kEventAttemptEnd), 1);
}

TEST_F(MultiDownloaderResume, ACancelDuringTheWaitBetweenAttemptsIsFinal) {
  world_.MakeFile(name_, 100000, 24);
  Fault(R"("fault": "status", "code": 503, "method": "GET")");
  EngineTiming timing = ShortTiming();
  timing.attemptSecondMs = 60000;  // the wait before attempt 2 would take two minutes
  SetEngineTiming(timing);
  CMultiDownloader downloader;
  downloader.SetDownloadConfig(WeakNetworkConfig(2, 2));
  downloader.SetServerMd5(std::string(32, 'A'));
  downloader.SetObserver(&events_);
  ASSERT_TRUE(downloader.Download(7, world_.HttpUrl("/files/" + name_), dir_.path()));
  for (int i = 0; i < 1000 && events_.Count(kEventAttemptEnd) == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  auto canceled = std::chrono::steady_clock::now();
  downloader.Cancel();
  downloader.Wait();
  EXPECT_LT(std::chrono::steady_clock::now() - canceled, std::chrono::seconds(5));
  EXPECT_EQ(downloader.status(), kStatusCanceled);
  EXPECT_EQ(events_.Count(kEventRetry), 1);
}

}  // namespace
}  // namespace ns_Drav
