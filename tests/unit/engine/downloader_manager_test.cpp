#include "engine/downloader_manager.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "engine/server_counts.h"
#include "engine/task_operator.h"

namespace ns_Drav {
namespace {

class RecordingCallback : public IDownloaderManagerCallBack {
 public:
  void OnFileName(int id, const std::string& name) override { Add(id, "name " + name); }
  void OnFileSize(int id, int64_t total) override { Add(id, "size " + std::to_string(total)); }
  void OnProgress(int id, int64_t downloaded, int64_t total, int32_t speed) override {
    Add(id, "progress " + std::to_string(downloaded) + "/" + std::to_string(total) + " " +
                std::to_string(speed));
  }
  void OnDownloadSuccess(int id, int status) override {
    Add(id, "success " + std::to_string(status));
  }
  void OnDownloadFailed(int id, int status) override {
    Add(id, "failed " + std::to_string(status));
  }
  void OnRangeStarted(int id, int a, int b, int64_t left) override {
    Add(id, "range " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(left));
  }
  void OnDownloadStart(int id) override { Add(id, "start"); }
  void OnRangeIp(int id, const std::string& ip) override { Add(id, "ip " + ip); }
  void OnRetry(int id, int attempt) override { Add(id, "retry " + std::to_string(attempt)); }
  void OnAttemptEnd(int id, int attempt, int status) override {
    Add(id, "attempt " + std::to_string(attempt) + " " + std::to_string(status));
  }
  void OnFileMd5(int id, const std::string& md5) override { Add(id, "md5 " + md5); }
  void OnMd5Match(int id) override { Add(id, "match"); }
  void OnFileError(int id, int kind, int error) override {
    Add(id, "file error " + std::to_string(kind) + " " + std::to_string(error));
  }
  void OnPackageInfoFailed(int id, int reason) override {
    Add(id, "info failed " + std::to_string(reason));
  }
  void OnDnsCacheCleared(int id, int status) override {
    Add(id, "dns cleared " + std::to_string(status));
  }
  void OnDnsQueried(int id, const std::string& host, const std::string& addresses) override {
    Add(id, "dns " + host + " = " + addresses);
  }
  void OnPrepare(int id) override { Add(id, "prepare"); }
  void OnThreadConfig(int id, int threads, int buffer) override {
    Add(id, "threads " + std::to_string(threads) + " " + std::to_string(buffer));
  }

  std::vector<std::string> calls;

 private:
  void Add(int id, const std::string& call) { calls.push_back(std::to_string(id) + ": " + call); }
};

DownloadEvent Event(int type, int a = 0, int b = 0, int64_t value = 0, std::string text = "") {
  DownloadEvent event;
  event.taskId = 9;
  event.type = type;
  event.a = a;
  event.b = b;
  event.value = value;
  event.text = std::move(text);
  return event;
}

TEST(DownloaderManager, MapsEveryEventToItsCallbackSlot) {
  DownloadEvent progress = Event(kEventProgress);
  progress.progress.downloaded = 5000000000;
  progress.progress.total = 6000000000;
  progress.progress.speed = 1234;
  struct Case {
    DownloadEvent event;
    const char* call;  // null: no call
  } cases[] = {
      {Event(kEventFileName, 0, 0, 0, "pkg.exe"), "9: name pkg.exe"},
      {Event(kEventFileSize, 0, 0, 6000000000), "9: size 6000000000"},
      {progress, "9: progress 5000000000/6000000000 1234"},
      {Event(kEventFinished, 0), "9: success 0"},
      {Event(kEventFinished, 1), "9: success 1"},
      {Event(kEventFinished, 13), "9: failed 13"},
      {Event(kEventRangeStarted, -1, 0, 5000000000), "9: range -1 0 5000000000"},
      {Event(kEventBegin), "9: start"},
      {Event(kEventRangeIp, 0, 0, 0, "127.0.0.2"), "9: ip 127.0.0.2"},
      {Event(kEventRetry, 3), "9: retry 3"},
      {Event(kEventAttemptEnd, 2, 11), "9: attempt 2 11"},
      {Event(kEventFileMd5, 0, 0, 0, "ABC"), "9: md5 ABC"},
      {Event(kEventMd5Match), "9: match"},
      {Event(kEventFileError, 3, 28), "9: file error 3 28"},
      {Event(kEventPackageInfoFailed, 2), "9: info failed 2"},
      {Event(kEventDnsCacheCleared, 22), "9: dns cleared 22"},
      {Event(kEventDnsQueried, 0, 0, 0, "cdn.qel.test:1.2.3.4,5.6.7.8"),
       "9: dns cdn.qel.test = 1.2.3.4,5.6.7.8"},
      {Event(kEventDnsQueried, 0, 0, 0, "no colon"), nullptr},
      {Event(kEventPrepare), "9: prepare"},
      {Event(kEventThreadConfig, 24, 5242880), "9: threads 24 5242880"},
      {Event(5), nullptr},  // unknown types go nowhere
      {Event(6), nullptr},
  };
  DownloaderManager manager;
  for (const Case& c : cases) {
    RecordingCallback callback;
    manager.SetCallBack(&callback);
    manager.OnEvent(c.event);
    if (c.call)
      EXPECT_EQ(callback.calls, std::vector<std::string>{c.call}) << c.event.type;
    else
      EXPECT_TRUE(callback.calls.empty()) << c.event.type;
  }
  manager.SetCallBack(nullptr);
}

TEST(DownloaderManager, TheNotifyWindowAndTheCallbackExcludeEachOther) {
  std::vector<std::unique_ptr<DownloadEvent>> posted;
  SetWindowEventPoster([&](uint64_t window, uint32_t message, std::unique_ptr<DownloadEvent> e) {
    EXPECT_EQ(window, 77u);
    EXPECT_EQ(message, 0x401u);
    posted.push_back(std::move(e));
    return true;
  });
  DownloaderManager manager;
  RecordingCallback callback;
  manager.SetCallBack(&callback);
  manager.SetNotifyWindow(77, 0x401);
  manager.OnEvent(Event(kEventFileName, 0, 0, 0, "a.bin"));
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0]->text, "a.bin");  // the window owns a copy
  EXPECT_TRUE(callback.calls.empty());

  manager.SetCallBack(&callback);
  manager.OnEvent(Event(kEventBegin));
  EXPECT_EQ(posted.size(), 1u);
  EXPECT_EQ(callback.calls, std::vector<std::string>{"9: start"});
  SetWindowEventPoster(nullptr);
}

TEST(DownloaderManager, RefusesTasksWithoutUrlAndNumberAndAfterStopAll) {
  DownloaderManager manager;
  EXPECT_EQ(manager.AddTask("", "/tmp/", "", 0, "", "", 0, 0, 0, 0), -1);
  EXPECT_EQ(manager.GetTaskCount(), 0);
  EXPECT_FALSE(manager.RemoveTaskIfExists(4));  // nothing to remove
  EXPECT_FALSE(manager.RemoveAll());
  TaskInfo info;
  EXPECT_FALSE(manager.GetTaskInfo(4, &info));
  EXPECT_TRUE(manager.StopAll());  // only the control thread was there
  EXPECT_EQ(manager.AddTask("https://cdn.qel.test/a.bin", "/tmp/", "", 3, "", "", 0, 0, 0, 0), -1);
  EXPECT_FALSE(manager.StopTask(3));
}

// A task manager that records what the control thread asks of it, and can
// hold the thread inside a command.
class FakeTaskManager : public ITaskManager {
 public:
  int GetTaskCount() override { return 0; }
  int AddTask(const DownloadTask& task) override {
    Record("add " + std::to_string(task.taskId) + " " + task.url + " " + task.saveDir + " " +
           task.serverMd5 + " " + std::to_string(task.flags) + " " + std::to_string(task.segments) +
           " " + std::to_string(task.maxConcurrent));
    std::unique_lock<std::mutex> hold(lock_);
    wake_.wait(hold, [this] { return !blocked_; });
    return task.taskId;
  }
  bool StopTask(int id) override { return Record("stop " + std::to_string(id)); }
  bool ResumeTask(int id) override { return Record("resume " + std::to_string(id)); }
  bool RemoveAll() override { return Record("remove all"); }
  bool RemoveTask(int id) override { return Record("remove " + std::to_string(id)); }
  bool HasTask(int) override { return false; }
  bool GetProgress(int, int64_t*, int64_t*, int*, int64_t*) override { return false; }
  std::string GetErrorText() override { return std::string(); }
  bool GetTaskStrings(int, std::string*, std::string*, std::string*) override { return false; }

  void Block(bool blocked) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      blocked_ = blocked;
    }
    wake_.notify_all();
  }
  std::vector<std::string> WaitFor(size_t count) {
    std::unique_lock<std::mutex> hold(lock_);
    wake_.wait(hold, [&] { return calls_.size() >= count; });
    return calls_;
  }

 private:
  bool Record(const std::string& call) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      calls_.push_back(call);
    }
    wake_.notify_all();
    return true;
  }

  std::mutex lock_;
  std::condition_variable wake_;
  std::vector<std::string> calls_;
  bool blocked_ = false;
};

TaskCommand Command(int type, int id) {
  TaskCommand command;
  command.type = type;
  command.pid = id;
  command.taskId = id;
  return command;
}

TEST(CTaskOperator, WorksOffCommandsInOrder) {
  FakeTaskManager tasks;
  CTaskOperator control;
  ASSERT_TRUE(control.Start(&tasks));
  EXPECT_FALSE(control.Start(&tasks));  // the manager is taken once
  TaskCommand add = Command(kCommandAdd, 5);
  add.url = "https://h/a.bin";
  add.saveDir = "/d/";
  add.serverMd5 = "AB";
  add.flags = 1;
  add.segments = 100;
  add.maxConcurrent = 8;
  control.Post(add);
  control.Post(Command(kCommandStop, 5));
  control.Post(Command(kCommandResume, 5));
  control.Post(Command(kCommandRemove, 5));
  control.Post(Command(kCommandRemoveAll, 0));
  control.Post(Command(99, 0));  // ignored
  control.Post(Command(kCommandStop, 6));
  EXPECT_EQ(tasks.WaitFor(6),
            (std::vector<std::string>{"add 5 https://h/a.bin /d/ AB 1 100 8", "stop 5", "resume 5",
                                      "remove 5", "remove all", "stop 6"}));
  EXPECT_TRUE(control.Stop(5000));
  EXPECT_FALSE(control.Post(Command(kCommandStop, 7)));
}

TEST(CTaskOperator, StopDropsQueuedCommandsAndWaitsOnlySoLong) {
  FakeTaskManager tasks;
  CTaskOperator control;
  ASSERT_TRUE(control.Start(&tasks));
  tasks.Block(true);
  control.Post(Command(kCommandAdd, 1));
  control.Post(Command(kCommandStop, 1));
  tasks.WaitFor(1);                // the thread is inside the add
  EXPECT_FALSE(control.Stop(50));  // it can't leave yet
  tasks.Block(false);
  EXPECT_TRUE(control.Stop(5000));
  EXPECT_EQ(tasks.WaitFor(1).size(), 1u);  // the queued stop was dropped
}

TEST(ServerCounts, ClampsWhatTheServiceSends) {
  struct Case {
    int given;
    int segments;
    int connections;
  } cases[] = {
      {-5, 24, 24}, {0, 24, 24},      {1, 1, 1},        {64, 64, 64},
      {65, 65, 64}, {4096, 4096, 64}, {4097, 4096, 64}, {INT32_MAX, 4096, 64},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClampSegments(c.given), c.segments) << c.given;
    EXPECT_EQ(ClampConnections(c.given), c.connections) << c.given;
  }
  EXPECT_EQ(SegmentsForSize(4096, 100), 100);
  EXPECT_EQ(SegmentsForSize(24, 100), 24);
  EXPECT_EQ(SegmentsForSize(24, 0), 24);
}

}  // namespace
}  // namespace ns_Drav
