// Downloads one package over many parallel range connections: learns the
// size, plans the ranges, runs and watches a RangeWorker per range, restarts
// and splits ranges, keeps a resume record in the temporary file, retries
// failed attempts, then verifies the file and moves it into place. All
// results go out as events to the observer.
#ifndef QEL_ENGINE_MULTI_DOWNLOADER_H_
#define QEL_ENGINE_MULTI_DOWNLOADER_H_

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/connection_tuner.h"
#include "engine/download_event.h"
#include "engine/download_file.h"
#include "engine/easy_pool.h"
#include "engine/engine_timing.h"
#include "engine/host_resolver.h"
#include "engine/md5_follower.h"
#include "engine/range_worker.h"
#include "engine/resume_record.h"

namespace ns_Drav {

// A custom configuration; used only when `enabled` is set.
struct DownloadConfig {
  int segments = 0;
  int maxConcurrent = 0;
  int concurrent = 0;
  int buffer = 0;  // bytes per connection
  int connectTimeout = 0;
  int lowSpeedLimit = 0;  // bytes per second
  int lowSpeedTime = 0;   // seconds
  bool enabled = false;
};

// The configuration of weak-network mode: the service's slice count and
// connection count (below 1 means 24), 5 MiB buffers, 15 s connect timeout,
// at least 1 byte/s during any 90 s.
DownloadConfig WeakNetworkConfig(int segments, int maxConcurrent);

struct DownloadProgressInfo {
  int64_t total = 0;
  int64_t downloaded = 0;
  int64_t elapsedSeconds = 1;
  int retry = 0;
};

class CMultiDownloader : public IFileWriter {
 public:
  CMultiDownloader();
  // Cancels a running download and waits for its thread.
  ~CMultiDownloader() override;
  CMultiDownloader(const CMultiDownloader&) = delete;
  CMultiDownloader& operator=(const CMultiDownloader&) = delete;

  // Set before Download.
  void SetObserver(IObserver* observer) { observer_ = observer; }
  // Where connections go; without one, libcurl resolves the URL's host.
  void SetHostResolver(std::unique_ptr<IHostResolver> resolver);
  void SetDownloadConfig(const DownloadConfig& config);
  // The accepted MD5 digests, separated by ",". With fewer than 4
  // characters there is none to check: the package is then taken on its
  // size alone, and only from a verified HTTPS server (plain HTTP ends with
  // status 11 before any transfer).
  void SetServerMd5(const std::string& text);
  void SetExeVersion(const std::string& text) { exe_version_ = text; }
  void SetTiming(const EngineTiming& timing) { timing_ = timing; }
  // False: no more events of this task reach the observer; an event being
  // delivered on another thread is waited for.
  void SetEventsEnabled(bool enabled);

  // Starts the download thread for `url` into `saveDir`. False when a
  // download was started before or the thread could not be made.
  bool Download(int taskId, const std::string& url, const std::string& saveDir);
  // Ends the download for good: running ranges stop, no new one starts, the
  // resume record is saved, and the task ends with status 13.
  bool Cancel();
  // Lets paused ranges go on.
  bool Resume();
  // Waits for the download thread to end.
  void Wait();

  DownloadProgressInfo GetProgress() const;
  // The final status once the thread has ended (event 2 carries it too).
  int status() const { return status_.load(); }
  bool finished() const { return finished_.load(); }
  const std::string& url() const { return url_; }
  const std::string& save_dir() const { return save_dir_; }
  std::string file_name() const;
  const std::string& exe_version() const { return exe_version_; }

  // IFileWriter: the ranges' bytes into the temporary file.
  int64_t WriteAt(int64_t offset, int64_t length, const void* data) override;

 private:
  // The download thread and its attempts (multi_downloader.cpp).
  void Run();
  bool Prepare();
  void RunAttempts();
  bool RunAttempt();
  bool FinishAttempt();
  void CalculateThreadBuffer();
  void LowerThreadsAfterMd5Failure();
  bool WaitMs(int64_t ms);
  // Sleeps up to `ms`, or until a worker finishes or the download is canceled.
  void WaitForWorkers(int64_t ms);
  void WakeMonitor();
  bool canceled() const { return canceled_.load(std::memory_order_acquire); }
  void InitHost(bool clearCache);

  // Ranges (multi_ranges.cpp).
  using WorkerListHook = std::function<void()>;
  bool PlanRanges();
  std::unique_ptr<RangeWorker> MakeWorker(int64_t start,
                                          int64_t end,
                                          int64_t buffer,
                                          const std::string& ip);
  void LaunchWorker(RangeWorker* worker);
  // Starts a worker for [start, end]; `hook` runs under the list lock in the
  // step that adds the worker to the list.
  bool StartRangeWorker(int64_t start,
                        int64_t end,
                        int64_t buffer,
                        const std::string& ip,
                        WorkerListHook hook = nullptr);
  bool StartPendingSegment(const std::string& ip);
  bool SplitRunningRange(const std::string& ip);
  bool MonitorPass(int* noProgress, int errorLimit);
  void HandleFinished(RangeWorker* worker, bool* started);
  void MapWorkerError(RangeWorker* worker);
  void StopAllWorkers();
  void ReleaseWorkers();
  int64_t Downloaded() const;
  bool AllBytesPresent() const;
  int64_t AvailableMemory() const;

  // Files, records and checks (multi_files.cpp).
  int64_t QuerySize();
  bool CreateTempFileForPlan();
  // Reports progress; a checkpoint is due after every 30 MiB while ranges
  // still run.
  void ProgressTick(bool checkpoints = true);
  void StartCheckpoint();
  void JoinCheckpoint();
  bool SaveResumeRecord();
  std::vector<ByteRange> MissingRanges() const;
  int64_t WrittenPrefix() const;
  bool CheckFileSize(const std::string& path, bool report);
  bool CheckMd5(const std::string& path, bool report);
  void PostEvent(DownloadEvent event);
  void PostSimple(int type, int a = 0, int b = 0);

  IObserver* observer_ = nullptr;
  std::unique_ptr<IHostResolver> resolver_;
  EngineTiming timing_;
  // Held while an event is delivered, so that disabling events is final.
  std::mutex events_lock_;
  bool events_enabled_ = true;  // guarded by events_lock_

  int task_id_ = 0;
  std::string url_;
  std::string save_dir_;
  std::string server_md5_;
  std::string exe_version_;
  std::string target_path_;
  std::string temp_path_;
  mutable std::mutex name_lock_;
  std::string file_name_;
  bool https_only_ = false;  // no digest to check: only verified TLS will do

  std::atomic<int> retry_{0};
  std::atomic<int> status_{0};
  std::atomic<int64_t> total_size_{0};
  std::atomic<int64_t> cached_size_{0};
  std::atomic<uint64_t> t_start_ms_{0};
  int64_t t_start_ = 0;
  int64_t t_end_ = 0;
  int64_t last_reported_ = 0;
  int64_t last_checkpoint_ = 0;

  // Mutations of workers_ and pending_ happen on the download thread under
  // worker_list_lock_; that thread reads them without it, others with it.
  mutable std::mutex worker_list_lock_;
  std::vector<std::unique_ptr<RangeWorker>> workers_;
  std::deque<ByteRange> pending_;

  DownloadFile file_;
  EasyPool pool_;
  ConnectionTuner tuner_;
  // Hashes the file while it arrives when a digest is to be checked.
  std::unique_ptr<Md5Follower> follower_;

  bool range_supported_ = true;
  int thread_count_ = 24;
  int buffer_size_ = 5 * 1024 * 1024;
  int max_concurrent_ = 48;
  DownloadConfig config_;

  std::atomic<bool> canceled_{false};
  std::atomic<bool> finished_{false};
  std::mutex wait_lock_;
  std::condition_variable wait_wake_;
  bool worker_ended_ = false;  // guarded by wait_lock_
  // The last pass left finished workers for the next one.
  bool backlog_ = false;

  std::thread checkpoint_thread_;
  std::atomic<bool> checkpoint_busy_{false};
  std::thread thread_;
};

}  // namespace ns_Drav

#endif  // QEL_ENGINE_MULTI_DOWNLOADER_H_
