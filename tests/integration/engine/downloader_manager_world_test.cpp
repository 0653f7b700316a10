// The engine's facade against the test world: tasks added, stopped, removed
// and replaced through the control thread, and the events as the
// orchestrator's callback sees them.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>

#include "engine/download_status.h"
#include "engine/downloader_manager.h"
#include "engine_world.h"

namespace ns_Drav {
namespace {

using namespace std::chrono_literals;

// Keeps the calls by task, and lets a test wait for a task's end.
class Callback : public IDownloaderManagerCallBack {
 public:
  void OnFileName(int id, const std::string& name) override { Add(id, "name " + name); }
  void OnFileSize(int id, int64_t total) override { Add(id, "size " + std::to_string(total)); }
  void OnProgress(int id, int64_t downloaded, int64_t, int32_t) override {
    std::lock_guard<std::mutex> hold(lock_);
    progress_[id] = downloaded;
    wake_.notify_all();
  }
  void OnDownloadSuccess(int id, int status) override { End(id, status); }
  void OnDownloadFailed(int id, int status) override { End(id, status); }
  void OnDownloadStart(int id) override { Add(id, "start"); }
  void OnDnsQueried(int id, const std::string& host, const std::string& addresses) override {
    Add(id, "dns " + host + " " + addresses);
  }
  void OnPrepare(int id) override { Add(id, "prepare"); }
  void OnThreadConfig(int id, int threads, int) override {
    Add(id, "threads " + std::to_string(threads));
  }

  // The final status of `id`, or -1 when none came within the time.
  int WaitEnd(int id, std::chrono::seconds limit = 60s) {
    std::unique_lock<std::mutex> hold(lock_);
    wake_.wait_for(hold, limit, [&] { return ends_.count(id) != 0; });
    return ends_.count(id) ? ends_[id].back() : -1;
  }
  bool WaitProgress(int id, int64_t bytes) {
    std::unique_lock<std::mutex> hold(lock_);
    return wake_.wait_for(hold, 60s, [&] { return progress_[id] >= bytes; });
  }
  std::vector<int> Ends(int id) {
    std::lock_guard<std::mutex> hold(lock_);
    return ends_[id];
  }
  std::vector<std::string> Calls(int id) {
    std::lock_guard<std::mutex> hold(lock_);
    return calls_[id];
  }
  size_t CallCount(int id) {
    std::lock_guard<std::mutex> hold(lock_);
    return calls_[id].size() + ends_[id].size();
  }

 private:
  void Add(int id, const std::string& call) {
    std::lock_guard<std::mutex> hold(lock_);
    calls_[id].push_back(call);
  }
  void End(int id, int status) {
    std::lock_guard<std::mutex> hold(lock_);
    ends_[id].push_back(status);
    wake_.notify_all();
  }

  std::mutex lock_;
  std::condition_variable wake_;
  std::map<int, std::vector<std::string>> calls_;
  std::map<int, std::vector<int>> ends_;
  std::map<int, int64_t> progress_;
};

class FacadeWorld : public EngineWorldTest {
 protected:
  int Add(DownloaderManager& manager,
          int id,
          const std::string& md5,
          const std::string& file = "",
          int flags = 0,
          int segments = 0,
          int connections = 0) {
    return manager.AddTask(world_.HttpUrl("/files/" + (file.empty() ? name_ : file)), dir_.path(),
                           "", id, "1.0.0.1", md5, 0, flags, segments, connections);
  }
  void Slow(const std::string& file, int bytesPerSecond) {
    ASSERT_TRUE(world_.AddFault(
        "{\"file\": \"" + file +
        "\", \"fault\": \"rate\", \"bytes_per_second\": " + std::to_string(bytesPerSecond) + "}"));
  }
  static bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 6000 && !done(); ++i)
      std::this_thread::sleep_for(10ms);
    return done();
  }

  Callback callback_;
};

TEST_F(FacadeWorld, AddsATaskAndReportsItThroughTheCallback) {
  const int64_t size = 3 * 1024 * 1024 + 5;
  std::string md5 = world_.MakeFile(name_, size, 21);
  DownloaderManager manager;
  manager.SetCallBack(&callback_);
  ASSERT_EQ(Add(manager, 4, md5), 4);
  ASSERT_EQ(callback_.WaitEnd(4), kStatusSuccess);
  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));

  std::vector<std::string> calls = callback_.Calls(4);
  ASSERT_GE(calls.size(), 6u);
  EXPECT_EQ(
      std::vector<std::string>(calls.begin(), calls.begin() + 6),
      (std::vector<std::string>{"prepare", "start", "dns 127.0.0.2 127.0.0.2", "name " + name_,
                                "size " + std::to_string(size), "threads 24"}));
  TaskInfo info;
  ASSERT_TRUE(manager.GetTaskInfo(4, &info));  // a finished task stays until removed
  EXPECT_EQ(info.total, size);
  EXPECT_EQ(info.downloaded, size);
  EXPECT_EQ(info.fileName, name_);
  EXPECT_EQ(info.saveDir, dir_.path());
  EXPECT_EQ(manager.GetTaskCount(), 1);
  EXPECT_TRUE(manager.RemoveTaskIfExists(4));
  EXPECT_TRUE(WaitFor([&] { return manager.GetTaskCount() == 0; }));
  EXPECT_EQ(callback_.Ends(4), std::vector<int>{kStatusSuccess});
}

TEST_F(FacadeWorld, AStoppedTaskSaysNothingMore) {
  std::string md5 = world_.MakeFile(name_, 8 * 1024 * 1024, 22);
  Slow(name_, 200 * 1024);
  DownloaderManager manager;
  manager.SetCallBack(&callback_);
  Add(manager, 5, md5);
  ASSERT_TRUE(callback_.WaitProgress(5, 1));
  ASSERT_TRUE(manager.StopTask(5));
  // The remove comes after the stop on the control thread, and waits for
  // the download's end.
  ASSERT_TRUE(manager.RemoveTask(5));
  ASSERT_TRUE(WaitFor([&] { return manager.GetTaskCount() == 0; }));
  EXPECT_TRUE(callback_.Ends(5).empty());  // not even the final event
  EXPECT_TRUE(FileExists(Target() + ".~P2S"));
  EXPECT_FALSE(FileExists(Target()));
}

TEST_F(FacadeWorld, ARemovedTaskEndsCanceledAndResumesWhenAddedAgain) {
  const int64_t size = 8 * 1024 * 1024;
  std::string md5 = world_.MakeFile(name_, size, 23);
  Slow(name_, 100 * 1024);
  DownloaderManager manager;
  manager.SetCallBack(&callback_);
  Add(manager, 6, md5);
  ASSERT_TRUE(callback_.WaitProgress(6, 512 * 1024));
  ASSERT_TRUE(manager.RemoveTask(6));
  EXPECT_EQ(callback_.WaitEnd(6), kStatusCanceled);
  EXPECT_TRUE(WaitFor([&] { return manager.GetTaskCount() == 0; }));
  EXPECT_TRUE(FileExists(Target() + ".~P2S"));

  world_.Clear(name_);
  Add(manager, 6, md5);
  ASSERT_TRUE(WaitFor([&] { return callback_.Ends(6).size() == 2; }));
  EXPECT_EQ(callback_.Ends(6).back(), kStatusSuccess);
  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));
  EXPECT_NE(NewLog().find("[INFO] multi, resume download."), std::string::npos);
  int64_t fetched = 0;
  for (const WorldRequest& request : world_.Journal(name_))
    fetched += request.sent;
  EXPECT_LT(fetched, size);  // the saved part was not fetched again
}

TEST_F(FacadeWorld, AddingARunningTaskNumberAgainReplacesAndResumesIt) {
  std::string md5 = world_.MakeFile(name_, 6 * 1024 * 1024, 24);
  Slow(name_, 100 * 1024);
  DownloaderManager manager;
  manager.SetCallBack(&callback_);
  Add(manager, 7, md5);
  ASSERT_TRUE(callback_.WaitProgress(7, 256 * 1024));
  world_.Clear(name_);
  Add(manager, 7, md5);
  ASSERT_TRUE(WaitFor([&] { return callback_.Ends(7).size() == 2; }));
  EXPECT_EQ(callback_.Ends(7), (std::vector<int>{kStatusCanceled, kStatusSuccess}));
  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));
  EXPECT_NE(NewLog().find("[INFO] multi, resume download."), std::string::npos);
  EXPECT_EQ(manager.GetTaskCount(), 1);
}

TEST_F(FacadeWorld, RemoveAllEndsEveryTask) {
  std::string a = world_.MakeFile(name_, 4 * 1024 * 1024, 25);
  std::string b_name = name_ + ".b";
  std::string b = world_.MakeFile(b_name, 4 * 1024 * 1024, 26);
  Slow(name_, 100 * 1024);
  Slow(b_name, 100 * 1024);
  DownloaderManager manager;
  manager.SetCallBack(&callback_);
  Add(manager, 1, a);
  Add(manager, 2, b, b_name);
  ASSERT_TRUE(callback_.WaitProgress(1, 1));
  ASSERT_TRUE(callback_.WaitProgress(2, 1));
  ASSERT_TRUE(manager.RemoveAll());
  EXPECT_EQ(callback_.WaitEnd(1), kStatusCanceled);
  EXPECT_EQ(callback_.WaitEnd(2), kStatusCanceled);
  EXPECT_TRUE(WaitFor([&] { return manager.GetTaskCount() == 0; }));
  world_.Clear(b_name);
  unlink((world_.root() + b_name).c_str());
}

TEST_F(FacadeWorld, KeepsServerCountsWithinWhatTheEngineCarries) {
  const int64_t size = 300;
  std::string md5 = world_.MakeFile(name_, size, 27);
  DownloaderManager manager;
  manager.SetCallBack(&callback_);
  Add(manager, 8, md5, "", kTaskFlagWeakNetwork, 100000, 1000);
  ASSERT_EQ(callback_.WaitEnd(8), kStatusSuccess);
  EXPECT_EQ(ReadFile(Target()), ReadFile(Source()));
  std::string log = NewLog();
  EXPECT_NE(log.find("segments=[100000] clamped to [4096]."), std::string::npos);
  EXPECT_NE(log.find("maxConcurrent=[1000] clamped to [64]."), std::string::npos);
  EXPECT_NE(log.find("weak network mode enabled for pid=[8], flags=[0x0001], segments=[4096], "
                     "maxConcurrent=[64]."),
            std::string::npos);
  EXPECT_NE(log.find("segments=[4096] clamped to the size=[300]."), std::string::npos);
  EXPECT_EQ(callback_.Calls(8).back(), "threads 64");
}

TEST_F(FacadeWorld, RacingCallersLeaveTheTasksConsistentAndStopAllEndsSoon) {
  std::string md5 = world_.MakeFile(name_, 16 * 1024 * 1024, 28);
  Slow(name_, 64 * 1024);
  auto manager = std::make_unique<DownloaderManager>();
  manager->SetCallBack(&callback_);
  std::atomic<bool> go{true};
  std::vector<std::thread> callers;
  for (int t = 0; t < 4; ++t) {
    callers.emplace_back([&, t] {
      for (int i = 0; go; ++i) {
        int id = 1 + (t + i) % 3;
        switch (i % 4) {
          case 0:
            Add(*manager, id, md5);
            break;
          case 1:
            manager->RemoveTaskIfExists(id);
            break;
          case 2: {
            TaskInfo info;
            manager->GetTaskInfo(id, &info);
            break;
          }
          default:
            manager->RemoveTask(id);
        }
        std::this_thread::sleep_for(5ms);
      }
    });
  }
  std::this_thread::sleep_for(1500ms);
  auto started = std::chrono::steady_clock::now();
  manager->StopAll();
  auto took = std::chrono::steady_clock::now() - started;
  go = false;
  for (std::thread& caller : callers)
    caller.join();
  // Bounded, not timed: it must not wait for the downloads to finish.
  EXPECT_LT(took, 10s);
  EXPECT_EQ(Add(*manager, 1, md5), -1);
  EXPECT_LE(manager->GetTaskCount(), 3);
  manager.reset();
  // A task that ended was canceled or complete, nothing else.
  for (int id = 1; id <= 3; ++id) {
    for (int status : callback_.Ends(id))
      EXPECT_TRUE(status == kStatusCanceled || status == kStatusSuccess) << status;
  }
}

}  // namespace
}  // namespace ns_Drav
