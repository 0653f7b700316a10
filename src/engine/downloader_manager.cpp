#include "engine/downloader_manager.h"

#include "engine/download_status.h"
#include "foundation/log.h"

namespace ns_Drav {

namespace {

// How long StopAll waits for the control thread. Every download is canceled
// first, so the command it works on ends within about a second.
constexpr int kStopWaitMs = 10000;

std::mutex poster_lock;
WindowEventPoster* window_poster = nullptr;  // guarded by poster_lock

bool PostToWindow(uint64_t window, uint32_t message, const DownloadEvent& event) {
  WindowEventPoster poster;
  {
    std::lock_guard<std::mutex> hold(poster_lock);
    if (!window_poster)
      return false;
    poster = *window_poster;
  }
  return poster(window, message, std::make_unique<DownloadEvent>(event));
}

}  // namespace

void SetWindowEventPoster(WindowEventPoster poster) {
  std::lock_guard<std::mutex> hold(poster_lock);
  delete window_poster;
  window_poster = poster ? new WindowEventPoster(std::move(poster)) : nullptr;
}

DownloaderManager::DownloaderManager()
    : task_manager_(std::make_unique<CMultiTaskManager>()),
      operator_(std::make_unique<CTaskOperator>()) {
  task_manager_->SetObserver(this);
  operator_->Start(task_manager_.get());
}

DownloaderManager::~DownloaderManager() {
  // Downloads end first so that the control thread is free to stop.
  task_manager_->Close();
  operator_.reset();
  task_manager_.reset();
}

bool DownloaderManager::Post(TaskCommand command) {
  return operator_ && operator_->Post(std::move(command));
}

bool DownloaderManager::StopTask(int taskId) {
  TaskCommand command;
  command.type = kCommandStop;
  command.taskId = taskId;
  return Post(std::move(command));
}

bool DownloaderManager::ResumeTask(int taskId) {
  TaskCommand command;
  command.type = kCommandResume;
  command.taskId = taskId;
  return Post(std::move(command));
}

bool DownloaderManager::RemoveTask(int taskId) {
  TaskCommand command;
  command.type = kCommandRemove;
  command.taskId = taskId;
  return Post(std::move(command));
}

int32_t DownloaderManager::AddTask(const std::string& url,
                                   const std::string& saveDir,
                                   const std::string& unusedText,
                                   int32_t taskId,
                                   const std::string& exeVersion,
                                   const std::string& serverMd5,
                                   int32_t unusedInt,
                                   int32_t flags,
                                   int32_t segments,
                                   int32_t maxConcurrent) {
  bool running = operator_ && !operator_->stopping();
  if (!running || (url.empty() && taskId < 1)) {
    LOG_ERROR("[ERROR] add task failed, operator=[%d], url=[%d], pid=[%d].", running ? 1 : 0,
              url.empty() ? 0 : 1, taskId);
    return -1;
  }
  TaskCommand command;
  command.pid = taskId;
  command.taskId = taskId;
  command.type = kCommandAdd;
  command.unusedInt = unusedInt;
  command.flags = flags;
  command.segments = segments;
  command.maxConcurrent = maxConcurrent;
  command.url = url;
  command.saveDir = saveDir;
  command.unusedText = unusedText;
  command.serverMd5 = serverMd5;
  command.exeVersion = exeVersion;
  if (!Post(std::move(command))) {
    LOG_ERROR("[ERROR] add task failed, operator=[%d], url=[%d], pid=[%d].", 0, url.empty() ? 0 : 1,
              taskId);
    return -1;
  }
  return taskId;
}

bool DownloaderManager::GetTaskInfo(int taskId, TaskInfo* info) {
  int64_t total = 0, downloaded = 0, elapsed = 0;
  int retry = 0;
  if (!task_manager_->GetProgress(taskId, &total, &downloaded, &retry, &elapsed))
    return false;
  info->taskId = taskId;
  if (total <= 0 || downloaded < 0) {
    info->total = -1;
    info->downloaded = -1;
    return true;
  }
  info->total = total;
  info->downloaded = downloaded;
  {
    std::lock_guard<std::mutex> hold(sink_lock_);
    auto it = speeds_.find(taskId);
    info->speed = it == speeds_.end() ? 0 : it->second;
  }
  task_manager_->GetTaskStrings(taskId, &info->url, &info->saveDir, &info->fileName);
  return true;
}

bool DownloaderManager::RemoveTaskIfExists(int taskId) {
  return task_manager_->HasTask(taskId) && RemoveTask(taskId);
}

int32_t DownloaderManager::GetTaskCount() {
  return task_manager_->GetTaskCount();
}

bool DownloaderManager::RemoveAll() {
  if (!task_manager_->HasTask(-1))
    return false;
  TaskCommand command;
  command.type = kCommandRemoveAll;
  return Post(std::move(command));
}

bool DownloaderManager::StopAll() {
  RemoveAll();
  task_manager_->Close();
  return operator_->Stop(kStopWaitMs);
}

void DownloaderManager::SetNotifyWindow(uint64_t window, uint32_t message) {
  std::lock_guard<std::mutex> hold(sink_lock_);
  window_ = window;
  message_ = message;
  callback_ = nullptr;
}

void DownloaderManager::SetCallBack(IDownloaderManagerCallBack* callback) {
  std::lock_guard<std::mutex> hold(sink_lock_);
  callback_ = callback;
  window_ = 0;
  message_ = 0;
}

void DownloaderManager::OnEvent(const DownloadEvent& event) {
  IDownloaderManagerCallBack* callback = nullptr;
  uint64_t window = 0;
  uint32_t message = 0;
  {
    std::lock_guard<std::mutex> hold(sink_lock_);
    if (event.type == kEventProgress)
      speeds_[event.taskId] = event.progress.speed;
    callback = callback_;
    window = window_;
    message = message_;
  }
  if (window != 0 && message != 0)
    PostToWindow(window, message, event);
  else if (callback)
    Dispatch(callback, event);
}

void DownloaderManager::Dispatch(IDownloaderManagerCallBack* callback, const DownloadEvent& event) {
  int id = event.taskId;
  switch (event.type) {
    case kEventFileName:
      callback->OnFileName(id, event.text);
      break;
    case kEventFileSize:
      callback->OnFileSize(id, event.value);
      break;
    case kEventFinished:
      LOG_INFO("[INFO] finished, task_id=[%d], result=[%d]", id, event.a);
      if (IsSuccessStatus(event.a))
        callback->OnDownloadSuccess(id, event.a);
      else
        callback->OnDownloadFailed(id, event.a);
      break;
    case kEventProgress:
      callback->OnProgress(id, event.progress.downloaded, event.progress.total,
                           event.progress.speed);
      break;
    case kEventRangeStarted:
      callback->OnRangeStarted(id, event.a, event.b, event.value);
      break;
    case kEventBegin:
      callback->OnDownloadStart(id);
      break;
    case kEventRangeIp:
      callback->OnRangeIp(id, event.text);
      break;
    case kEventRetry:
      callback->OnRetry(id, event.a);
      break;
    case kEventAttemptEnd:
      callback->OnAttemptEnd(id, event.a, event.b);
      break;
    case kEventFileMd5:
      callback->OnFileMd5(id, event.text);
      break;
    case kEventMd5Match:
      callback->OnMd5Match(id);
      break;
    case kEventFileError:
      callback->OnFileError(id, event.a, event.b);
      break;
    case kEventPackageInfoFailed:
      callback->OnPackageInfoFailed(id, event.a);
      break;
    case kEventDnsCacheCleared:
      callback->OnDnsCacheCleared(id, event.a);
      break;
    case kEventDnsQueried: {
      size_t colon = event.text.find(':');
      if (colon != std::string::npos)
        callback->OnDnsQueried(id, event.text.substr(0, colon), event.text.substr(colon + 1));
      break;
    }
    case kEventPrepare:
      callback->OnPrepare(id);
      break;
    case kEventThreadConfig:
      callback->OnThreadConfig(id, event.a, event.b);
      break;
    default:
      break;
  }
}

}  // namespace ns_Drav
