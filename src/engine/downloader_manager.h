// The download engine's facade: the one object the orchestrator holds. It
// takes tasks and task commands from any thread, hands them to the control
// thread, and turns the downloads' events into calls on the orchestrator's
// callback.
#ifndef QEL_ENGINE_DOWNLOADER_MANAGER_H_
#define QEL_ENGINE_DOWNLOADER_MANAGER_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "engine/download_event.h"
#include "engine/download_task.h"
#include "engine/task_manager.h"
#include "engine/task_operator.h"

namespace ns_Drav {

// The orchestrator's side of the engine. The calls come on the download's
// own threads, synchronously; every slot does nothing unless overridden.
class IDownloaderManagerCallBack {
 public:
  virtual void OnFileName(int /*taskId*/, const std::string& /*fileName*/) {}
  virtual void OnFileSize(int /*taskId*/, int64_t /*total*/) {}
  virtual void OnProgress(int /*taskId*/,
                          int64_t /*downloaded*/,
                          int64_t /*total*/,
                          int32_t /*speed*/) {}
  virtual void OnDownloadSuccess(int /*taskId*/, int /*status*/) {}
  virtual void OnDownloadFailed(int /*taskId*/, int /*status*/) {}
  virtual void OnRangeStarted(int /*taskId*/, int /*a*/, int /*b*/, int64_t /*undownloaded*/) {}
  virtual void OnDownloadStart(int /*taskId*/) {}
  virtual void OnRangeIp(int /*taskId*/, const std::string& /*ip*/) {}
  virtual void OnRetry(int /*taskId*/, int /*attempt*/) {}
  virtual void OnAttemptEnd(int /*taskId*/, int /*attempt*/, int /*status*/) {}
  virtual void OnFileMd5(int /*taskId*/, const std::string& /*md5*/) {}
  virtual void OnMd5Match(int /*taskId*/) {}
  virtual void OnFileError(int /*taskId*/, int /*kind*/, int /*systemError*/) {}
  virtual void OnPackageInfoFailed(int /*taskId*/, int /*reason*/) {}
  virtual void OnDnsCacheCleared(int /*taskId*/, int /*status*/) {}
  virtual void OnDnsQueried(int /*taskId*/,
                            const std::string& /*host*/,
                            const std::string& /*addresses*/) {}
  virtual void OnPrepare(int /*taskId*/) {}
  virtual void OnThreadConfig(int /*taskId*/, int /*threads*/, int /*bufferSize*/) {}

 protected:
  ~IDownloaderManagerCallBack() = default;
};

class IDownloaderManager {
 public:
  virtual ~IDownloaderManager() = default;
  virtual bool StopTask(int taskId) = 0;
  virtual bool ResumeTask(int taskId) = 0;
  virtual int32_t AddTask(const std::string& url,
                          const std::string& saveDir,
                          const std::string& unusedText,
                          int32_t taskId,
                          const std::string& exeVersion,
                          const std::string& serverMd5,
                          int32_t unusedInt,
                          int32_t flags,
                          int32_t segments,
                          int32_t maxConcurrent) = 0;
  virtual bool RemoveTask(int taskId) = 0;
  virtual bool GetTaskInfo(int taskId, TaskInfo* info) = 0;
  virtual bool RemoveTaskIfExists(int taskId) = 0;
  virtual bool StopAll() = 0;
  virtual void SetNotifyWindow(uint64_t window, uint32_t message) = 0;
  virtual void SetCallBack(IDownloaderManagerCallBack* callback) = 0;
  virtual std::string GetErrorText() = 0;
};

// Hands an event to a window's message queue (the window then owns it).
// The user interface registers it; without one, window mode drops events.
using WindowEventPoster =
    std::function<bool(uint64_t window, uint32_t message, std::unique_ptr<DownloadEvent> event)>;
void SetWindowEventPoster(WindowEventPoster poster);

class DownloaderManager : public IDownloaderManager, public IObserver {
 public:
  DownloaderManager();
  // Stops the control thread, then removes every task.
  ~DownloaderManager() override;
  DownloaderManager(const DownloaderManager&) = delete;
  DownloaderManager& operator=(const DownloaderManager&) = delete;

  bool StopTask(int taskId) override;
  bool ResumeTask(int taskId) override;
  // Queues the task and returns its number; -1 (logged) when the engine is
  // stopped, or when there is neither a URL nor a task number.
  int32_t AddTask(const std::string& url,
                  const std::string& saveDir,
                  const std::string& unusedText,
                  int32_t taskId,
                  const std::string& exeVersion,
                  const std::string& serverMd5,
                  int32_t unusedInt,
                  int32_t flags,
                  int32_t segments,
                  int32_t maxConcurrent) override;
  bool RemoveTask(int taskId) override;
  // False for an unknown task. Total and downloaded are -1 while the size
  // is not known.
  bool GetTaskInfo(int taskId, TaskInfo* info) override;
  bool RemoveTaskIfExists(int taskId) override;
  // Cancels every download (their resume records are kept) and stops the
  // control thread; returns within a few seconds even while downloads run.
  // No task is taken afterwards.
  bool StopAll() override;
  void SetNotifyWindow(uint64_t window, uint32_t message) override;
  void SetCallBack(IDownloaderManagerCallBack* callback) override;
  std::string GetErrorText() override { return std::string(); }
  virtual int32_t GetTaskCount();
  virtual bool RemoveAll();

  // IObserver.
  void OnEvent(const DownloadEvent& event) override;

  // The engine's task manager, for tests that set its resolvers.
  CMultiTaskManager* task_manager() { return task_manager_.get(); }

 private:
  bool Post(TaskCommand command);
  void Dispatch(IDownloaderManagerCallBack* callback, const DownloadEvent& event);

  std::unique_ptr<CMultiTaskManager> task_manager_;
  std::unique_ptr<CTaskOperator> operator_;

  std::mutex sink_lock_;
  IDownloaderManagerCallBack* callback_ = nullptr;  // guarded by sink_lock_; not owned
  uint64_t window_ = 0;                             // guarded by sink_lock_
  uint32_t message_ = 0;                            // guarded by sink_lock_
  std::map<int, int32_t> speeds_;                   // guarded by sink_lock_
};

}  // namespace ns_Drav

#endif  // QEL_ENGINE_DOWNLOADER_MANAGER_H_
