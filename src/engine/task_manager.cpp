#include "engine/task_manager.h"

#include <new>

#include "engine/curl_setup.h"
#include "engine/dns_host_resolver.h"
#include "engine/server_counts.h"
#include "foundation/log.h"

namespace ns_Drav {

CMultiTaskManager::CMultiTaskManager()
    : resolver_factory_([] { return std::make_unique<DnsHostResolver>(); }) {
  EnsureCurlGlobalInit();
}

CMultiTaskManager::~CMultiTaskManager() {
  // libcurl's global state stays: other parts of the process still use it.
  RemoveAll();
}

CMultiDownloader* CMultiTaskManager::Find(int taskId) {
  std::lock_guard<std::mutex> hold(task_lock_);
  auto it = tasks_.find(taskId);
  return it == tasks_.end() ? nullptr : it->second.get();
}

int CMultiTaskManager::GetTaskCount() {
  std::lock_guard<std::mutex> hold(task_lock_);
  return static_cast<int>(tasks_.size());
}

int CMultiTaskManager::AddTask(const DownloadTask& task) {
  RemoveTask(task.taskId);
  std::unique_ptr<CMultiDownloader> owned(new (std::nothrow) CMultiDownloader());
  if (!owned)
    return -1;
  CMultiDownloader* downloader = owned.get();
  if ((task.flags & kTaskFlagWeakNetwork) != 0) {
    int segments = ClampSegments(task.segments);
    int connections = ClampConnections(task.maxConcurrent);
    downloader->SetDownloadConfig(WeakNetworkConfig(segments, connections));
    LOG_INFO(
        "[INFO] multi, weak network mode enabled for pid=[%d], flags=[0x%04X], segments=[%d], "
        "maxConcurrent=[%d].",
        task.taskId, static_cast<unsigned>(task.flags), segments, connections);
  }
  downloader->SetObserver(observer_);
  if (resolver_factory_)
    downloader->SetHostResolver(resolver_factory_());
  downloader->SetServerMd5(task.serverMd5);
  downloader->SetExeVersion(task.exeVersion);
  LOG_INFO("[INFO] multi, set exe version=[%s].", task.exeVersion.c_str());
  {
    std::lock_guard<std::mutex> hold(task_lock_);
    if (closed_) {
      LOG_ERROR("[ERROR] multi, engine stopped, task refused, pid=[%d].", task.taskId);
      return -1;
    }
    tasks_[task.taskId] = std::move(owned);
    // Started under the lock: Close() either sees the task or came first.
    downloader->Download(task.taskId, task.url, task.saveDir);
  }
  return task.taskId;
}

bool CMultiTaskManager::StopTask(int taskId) {
  CMultiDownloader* downloader = Find(taskId);
  if (!downloader)
    return false;
  downloader->SetEventsEnabled(false);
  downloader->Cancel();
  return true;
}

bool CMultiTaskManager::ResumeTask(int taskId) {
  CMultiDownloader* downloader = Find(taskId);
  return downloader && downloader->Resume();
}

bool CMultiTaskManager::RemoveTask(int taskId) {
  std::unique_ptr<CMultiDownloader> removed;
  {
    std::lock_guard<std::mutex> hold(task_lock_);
    auto it = tasks_.find(taskId);
    if (it == tasks_.end())
      return false;
    removed = std::move(it->second);
    tasks_.erase(it);
  }
  // Outside the lock: the download's last events may ask about tasks.
  removed->Cancel();
  removed.reset();
  return true;
}

bool CMultiTaskManager::RemoveAll() {
  Tasks removed;
  {
    std::lock_guard<std::mutex> hold(task_lock_);
    removed.swap(tasks_);
  }
  for (auto& [id, downloader] : removed)
    downloader->Cancel();  // all at once, then the waits
  removed.clear();
  return true;
}

void CMultiTaskManager::Close() {
  std::lock_guard<std::mutex> hold(task_lock_);
  closed_ = true;
  for (auto& [id, downloader] : tasks_)
    downloader->Cancel();
}

bool CMultiTaskManager::HasTask(int taskId) {
  std::lock_guard<std::mutex> hold(task_lock_);
  return taskId == -1 ? !tasks_.empty() : tasks_.count(taskId) != 0;
}

bool CMultiTaskManager::GetProgress(int taskId,
                                    int64_t* total,
                                    int64_t* downloaded,
                                    int* retry,
                                    int64_t* elapsedSeconds) {
  std::lock_guard<std::mutex> hold(task_lock_);
  auto it = tasks_.find(taskId);
  if (it == tasks_.end())
    return false;
  DownloadProgressInfo info = it->second->GetProgress();
  *total = info.total;
  *downloaded = info.downloaded;
  *retry = info.retry;
  *elapsedSeconds = info.elapsedSeconds;
  return true;
}

bool CMultiTaskManager::GetTaskStrings(int taskId,
                                       std::string* url,
                                       std::string* saveDir,
                                       std::string* fileName) {
  std::lock_guard<std::mutex> hold(task_lock_);
  auto it = tasks_.find(taskId);
  if (it == tasks_.end())
    return false;
  *url = it->second->url();
  *saveDir = it->second->save_dir();
  *fileName = it->second->file_name();
  return true;
}

}  // namespace ns_Drav
