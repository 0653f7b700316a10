// The engine's tasks: one CMultiDownloader per task number. Changes run on
// the task operator's control thread; reads may come from any thread.
#ifndef QEL_ENGINE_TASK_MANAGER_H_
#define QEL_ENGINE_TASK_MANAGER_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "engine/download_event.h"
#include "engine/download_task.h"
#include "engine/host_resolver.h"
#include "engine/multi_downloader.h"

namespace ns_Drav {

class ITaskManager {
 public:
  virtual ~ITaskManager() = default;
  virtual void SetObserver(IObserver* observer) { observer_ = observer; }
  virtual int GetTaskCount() = 0;
  virtual int AddTask(const DownloadTask& task) = 0;
  virtual bool StopTask(int taskId) = 0;
  virtual bool ResumeTask(int taskId) = 0;
  virtual bool RemoveAll() = 0;
  virtual bool RemoveTask(int taskId) = 0;
  // -1: whether there is any task.
  virtual bool HasTask(int taskId) = 0;
  virtual bool GetProgress(int taskId,
                           int64_t* total,
                           int64_t* downloaded,
                           int* retry,
                           int64_t* elapsedSeconds) = 0;
  virtual std::string GetErrorText() = 0;
  virtual bool GetTaskStrings(int taskId,
                              std::string* url,
                              std::string* saveDir,
                              std::string* fileName) = 0;

 protected:
  IObserver* observer_ = nullptr;
};

class CMultiTaskManager : public ITaskManager {
 public:
  // Makes the resolver of each new task; the default resolves through the
  // process-wide DnsCache.
  using ResolverFactory = std::function<std::unique_ptr<IHostResolver>()>;

  CMultiTaskManager();
  // Removes every task (their final events are still delivered).
  ~CMultiTaskManager() override;
  CMultiTaskManager(const CMultiTaskManager&) = delete;
  CMultiTaskManager& operator=(const CMultiTaskManager&) = delete;

  void set_resolver_factory(ResolverFactory factory) { resolver_factory_ = std::move(factory); }

  int GetTaskCount() override;
  // Replaces a task of the same number (its download is canceled first and
  // keeps its resume record, so the new one resumes). -1 when the manager
  // is closed or the downloader can't be made.
  int AddTask(const DownloadTask& task) override;
  // No further events of the task; its download is canceled.
  bool StopTask(int taskId) override;
  bool ResumeTask(int taskId) override;
  bool RemoveAll() override;
  // Cancels the download, waits for it to end and forgets the task.
  bool RemoveTask(int taskId) override;
  bool HasTask(int taskId) override;
  bool GetProgress(int taskId,
                   int64_t* total,
                   int64_t* downloaded,
                   int* retry,
                   int64_t* elapsedSeconds) override;
  std::string GetErrorText() override { return std::string(); }
  bool GetTaskStrings(int taskId,
                      std::string* url,
                      std::string* saveDir,
                      std::string* fileName) override;

  // Cancels every download at once and takes no new task: the end of the
  // engine, from any thread.
  void Close();

 private:
  using Tasks = std::map<int, std::unique_ptr<CMultiDownloader>>;

  // The downloader of `taskId`, used on the control thread only: that
  // thread alone removes tasks, so it stays valid there.
  CMultiDownloader* Find(int taskId);

  std::mutex task_lock_;
  Tasks tasks_;          // guarded by task_lock_
  bool closed_ = false;  // guarded by task_lock_
  ResolverFactory resolver_factory_;
};

}  // namespace ns_Drav

#endif  // QEL_ENGINE_TASK_MANAGER_H_
