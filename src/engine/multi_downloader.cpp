#include "engine/multi_downloader.h"

#include <algorithm>
#include <cinttypes>
#include <ctime>
#include <system_error>

#include "engine/download_status.h"
#include "engine/file_finish.h"
#include "engine/range_plan.h"
#include "engine/resume_record.h"
#include "engine/url_parts.h"
#include "foundation/log.h"
#include "platform/clock.h"
#include "platform/file_io.h"

namespace ns_Drav {

namespace {

constexpr int kMaxAttempts = 10;

int OrDefault(int value, int fallback) {
  return value >= 1 ? value : fallback;
}

}  // namespace

DownloadConfig WeakNetworkConfig(int segments, int maxConcurrent) {
  EngineTiming timing = GetEngineTiming();
  DownloadConfig config;
  config.segments = OrDefault(segments, kDefaultThreadCount);
  config.maxConcurrent = OrDefault(maxConcurrent, kDefaultThreadCount);
  config.concurrent = config.maxConcurrent;
  config.buffer = kDefaultBufferSize;
  config.connectTimeout = timing.connectTimeoutSeconds;
  config.lowSpeedLimit = 1;
  config.lowSpeedTime = timing.lowSpeedTimeSeconds;
  config.enabled = true;
  return config;
}

CMultiDownloader::CMultiDownloader() : timing_(GetEngineTiming()) {}

CMultiDownloader::~CMultiDownloader() {
  if (thread_.joinable()) {
    Cancel();
    thread_.join();
  }
  JoinCheckpoint();
  ReleaseWorkers();
}

void CMultiDownloader::SetHostResolver(std::unique_ptr<IHostResolver> resolver) {
  resolver_ = std::move(resolver);
}

void CMultiDownloader::SetDownloadConfig(const DownloadConfig& config) {
  config_ = config;
  if (!config.enabled)
    return;
  config_.segments = OrDefault(config.segments, kDefaultThreadCount);
  config_.maxConcurrent = OrDefault(config.maxConcurrent, kDefaultThreadCount);
  config_.concurrent = OrDefault(config.concurrent, config_.maxConcurrent);
  config_.buffer = OrDefault(config.buffer, kDefaultBufferSize);
  thread_count_ = config_.concurrent;
  buffer_size_ = config_.buffer;
  max_concurrent_ = config_.maxConcurrent;
  LOG_INFO(
      "[INFO] multi, SetDownloadConfig, segments=[%d], concurrent=[%d], maxConcurrent=[%d], "
      "buffer=[%d], connectTimeout=[%ld], lowSpeedTime=[%ld].",
      config_.segments, config_.concurrent, config_.maxConcurrent, config_.buffer,
      static_cast<long>(config_.connectTimeout), static_cast<long>(config_.lowSpeedTime));
}

void CMultiDownloader::SetServerMd5(const std::string& text) {
  LOG_INFO("[INFO] multi, set server md5=[%s].", text.c_str());
  server_md5_ = text;
  std::transform(server_md5_.begin(), server_md5_.end(), server_md5_.begin(),
                 [](unsigned char c) { return static_cast<char>(toupper(c)); });
}

bool CMultiDownloader::Download(int taskId, const std::string& url, const std::string& saveDir) {
  LOG_INFO("[INFO] multi, download id=[%d], url=[%s], dir=[%s].", taskId, url.c_str(),
           saveDir.c_str());
  if (thread_.joinable() || finished_.load())
    return false;
  task_id_ = taskId;
  url_ = url;
  save_dir_ = saveDir;
  if (save_dir_.empty() || save_dir_.back() != '/')
    save_dir_ += '/';
  if (!resolver_)
    resolver_ = std::make_unique<OriginHostResolver>();
  try {
    thread_ = std::thread(&CMultiDownloader::Run, this);
  } catch (const std::system_error&) {
    status_ = kStatusThreadError;
    PostSimple(kEventFinished, status_);
    finished_ = true;
    return false;
  }
  return true;
}

void CMultiDownloader::SetEventsEnabled(bool enabled) {
  std::lock_guard<std::mutex> hold(events_lock_);
  events_enabled_ = enabled;
}

bool CMultiDownloader::Cancel() {
  LOG_INFO("[INFO] multi, cancel.");
  if (resolver_)
    resolver_->Cancel();  // host probing gives up too
  {
    // The flag changes under the list lock so that a range being started
    // either sees it or is in the list this walk cancels.
    std::lock_guard<std::mutex> hold(worker_list_lock_);
    canceled_.store(true, std::memory_order_release);
    for (auto& worker : workers_)
      worker->Cancel();
  }
  std::lock_guard<std::mutex> hold(wait_lock_);
  wait_wake_.notify_all();
  return true;
}

bool CMultiDownloader::Resume() {
  LOG_INFO("[INFO] multi, resume.");
  std::lock_guard<std::mutex> hold(worker_list_lock_);
  for (auto& worker : workers_)
    worker->Resume();
  return true;
}

void CMultiDownloader::Wait() {
  if (thread_.joinable())
    thread_.join();
}

std::string CMultiDownloader::file_name() const {
  std::lock_guard<std::mutex> hold(name_lock_);
  return file_name_;
}

DownloadProgressInfo CMultiDownloader::GetProgress() const {
  DownloadProgressInfo info;
  info.total = total_size_.load();
  info.downloaded = Downloaded();
  uint64_t started = t_start_ms_.load();
  if (started != 0)
    info.elapsedSeconds = std::max<int64_t>(1, (GetTickCountMs() - started) / 1000);
  info.retry = retry_.load();
  return info;
}

int64_t CMultiDownloader::WriteAt(int64_t offset, int64_t length, const void* data) {
  return file_.WriteAt(offset, length, data, false) ? length : 0;
}

bool CMultiDownloader::WaitMs(int64_t ms) {
  std::unique_lock<std::mutex> hold(wait_lock_);
  return !wait_wake_.wait_for(hold, std::chrono::milliseconds(std::max<int64_t>(ms, 0)),
                              [this] { return canceled(); });
}

void CMultiDownloader::WaitForWorkers(int64_t ms) {
  std::unique_lock<std::mutex> hold(wait_lock_);
  wait_wake_.wait_for(hold, std::chrono::milliseconds(std::max<int64_t>(ms, 0)),
                      [this] { return worker_ended_ || canceled(); });
  worker_ended_ = false;
}

void CMultiDownloader::WakeMonitor() {
  {
    std::lock_guard<std::mutex> hold(wait_lock_);
    worker_ended_ = true;
  }
  wait_wake_.notify_all();
}

void CMultiDownloader::Run() {
  LOG_INFO("[INFO] multi, thread begin.");
  PostSimple(kEventPrepare);
  PostSimple(kEventBegin);
  if (Prepare())
    RunAttempts();
  if (IsSuccessStatus(status_))
    cached_size_ = total_size_.load();  // the ranges are gone; the file is whole
  PostSimple(kEventFinished, status_);
  finished_ = true;
}

void CMultiDownloader::InitHost(bool clearCache) {
  HostInit info;
  bool ok = resolver_->InitHost(url_, clearCache, &info);
  if (info.cacheCleared)
    PostSimple(kEventDnsCacheCleared, status_);
  if (!info.hostInfo.empty()) {
    DownloadEvent event;
    event.type = kEventDnsQueried;
    event.text = info.hostInfo;
    PostEvent(std::move(event));
  }
  if (!clearCache && info.urlSize > 0)
    total_size_ = info.urlSize;
  if (!ok && !clearCache)
    LOG_WARN("[WARN] multi, init host failed; fallback to origin domain.");
  if (!ok && clearCache)
    LOG_WARN("[WARN] multi, re-init host failed after clearing dns cache; continue.");
}

// Everything before the first attempt. False when the task ends here.
bool CMultiDownloader::Prepare() {
  if (canceled()) {
    status_ = kStatusCanceled;
    return false;
  }
  InitHost(false);

  std::string name;
  if (FileNameFromUrl(url_, &name) != FileNameResult::kOk) {
    LOG_ERROR("[ERROR] multi, no usable file name in url=[%s].", url_.c_str());
    status_ = kStatusUrlError;
    return false;
  }
  {
    std::lock_guard<std::mutex> hold(name_lock_);
    file_name_ = name;
  }
  target_path_ = save_dir_ + name;
  temp_path_ = target_path_ + ".~P2S";
  DownloadEvent named;
  named.type = kEventFileName;
  named.text = name;
  PostEvent(std::move(named));

  // Without a digest to check, only a verified TLS connection vouches for
  // the bytes; over plain HTTP nothing is fetched at all.
  https_only_ = server_md5_.size() < 4;
  if (https_only_ && !IsHttpsUrl(url_)) {
    LOG_ERROR("[ERROR] multi, no md5 to verify a download over plain http, refused! url=[%s].",
              url_.c_str());
    status_ = kStatusMd5Failed;
    return false;
  }

  if (total_size_ <= 0)
    total_size_ = QuerySize();
  if (canceled()) {
    status_ = kStatusCanceled;
    return false;
  }
  if (total_size_ <= 0) {
    LOG_ERROR("[ERROR] multi, get file size from server failed!");
    PostSimple(kEventPackageInfoFailed, 2);
    status_ = kStatusSiteInfoFailed;
    return false;
  }
  DownloadEvent sized;
  sized.type = kEventFileSize;
  sized.value = total_size_;
  PostEvent(std::move(sized));

  if (CheckFileSize(target_path_, false) && CheckMd5(target_path_, false)) {
    LOG_INFO("[INFO] multi, is already downloaded.");
    status_ = kStatusAlreadyDownloaded;
    return false;
  }
  return true;
}

void CMultiDownloader::RunAttempts() {
  range_supported_ = true;
  for (retry_ = 0; retry_ < kMaxAttempts; ++retry_) {
    if (retry_ > 0) {
      int seconds = std::min(2 * retry_.load(), 10);
      LOG_INFO("[INFO] multi, retry=%d, waiting %d seconds before next attempt", retry_.load(),
               seconds);
      if (!WaitMs(seconds * timing_.attemptSecondMs)) {
        status_ = kStatusCanceled;
        return;
      }
    }
    if (retry_ == 5) {
      InitHost(true);
      range_supported_ = true;
    }
    if (canceled()) {
      status_ = kStatusCanceled;
      return;
    }
    if (RunAttempt())
      return;
  }
  retry_ = kMaxAttempts - 1;
}

// One attempt. True when the task ends with it (success, cancel, or a file
// that can't be made); false to try again.
bool CMultiDownloader::RunAttempt() {
  status_ = kStatusSuccess;
  tuner_.Reset(ReceivedTcpBytes());
  CalculateThreadBuffer();
  if (!PlanRanges())
    return true;
  if (server_md5_.size() >= 4) {
    follower_ = std::make_unique<Md5Follower>(temp_path_, total_size_);
    if (!follower_->Start())
      follower_.reset();
  }
  LOG_INFO("[INFO] multi, start retry=[%d], thread=[%d], buffer=[%d].", retry_.load(),
           thread_count_, buffer_size_);
  PostSimple(kEventRetry, retry_);
  t_start_ = static_cast<int64_t>(time(nullptr));
  t_start_ms_ = GetTickCountMs();

  int error_limit = std::max(20, 2 * thread_count_);
  int no_progress = 0;
  while (MonitorPass(&no_progress, error_limit)) {
  }
  StopAllWorkers();

  t_end_ = static_cast<int64_t>(time(nullptr));
  int64_t downloaded = Downloaded();
  double seconds = std::max<double>(1.0, (GetTickCountMs() - t_start_ms_) / 1000.0);
  LOG_INFO("[INFO] multi, finished, retry=[%d], downloaded=[%" PRId64
           "], speed=[%.0f B/s], tEnd(%" PRId64 ")-tStart(%" PRId64 ")=[%" PRId64
           "], thread=[%d], curl_multi=[%d].",
           retry_.load(), downloaded, (downloaded - cached_size_) / seconds, t_end_, t_start_,
           t_end_ - t_start_, thread_count_, 0);
  ProgressTick(false);
  JoinCheckpoint();

  bool complete = AllBytesPresent();
  if (canceled() && !complete)
    status_ = kStatusCanceled;  // a cancel is final, whatever else went wrong
  if (status_ == kStatusSuccess && !complete) {
    LOG_ERROR("[ERROR] multi, ranges still missing at the end of the attempt.");
    status_ = kStatusDownloadFailed;
  }
  if (status_ == kStatusCanceled)
    SaveResumeRecord();  // before the close: the record needs the open file
  file_.FlushAndClose();
  return FinishAttempt();
}

bool CMultiDownloader::FinishAttempt() {
  int64_t total = total_size_;
  if (status_ == kStatusSuccess)
    RemoveResumeRecord(temp_path_, total, timing_);
  if (status_ == kStatusSuccess && CheckFileSize(temp_path_, true) &&
      (server_md5_.size() < 4 || CheckMd5(temp_path_, true))) {
    int error = 0;
    if (MoveToTarget(temp_path_, target_path_, timing_, &error)) {
      LOG_INFO("[INFO] multi, download success.");
      follower_.reset();
      ReleaseWorkers();
      status_ = kStatusSuccess;
      PostSimple(kEventAttemptEnd, retry_, status_);
      return true;
    }
    PostSimple(kEventFileError, kFileErrorRenameFailed, error);
    status_ = kStatusFileFailed;
  }
  LOG_ERROR("[ERROR] multi, download failed! retry=[%d], status=[%d]", retry_.load(),
            status_.load());
  PostSimple(kEventAttemptEnd, retry_, status_);
  follower_.reset();
  if (status_ == kStatusCanceled)
    return true;  // the file and its record stay for a later resume
  DeleteFile(temp_path_);
  if (status_ == kStatusMd5Failed) {
    LowerThreadsAfterMd5Failure();
    int seconds = std::min(2 * retry_.load() + 1, 12);
    if (!WaitMs(seconds * timing_.attemptSecondMs)) {
      ReleaseWorkers();
      status_ = kStatusCanceled;
      return true;
    }
  }
  ReleaseWorkers();
  return false;
}

void CMultiDownloader::LowerThreadsAfterMd5Failure() {
  if (thread_count_ > 12)
    thread_count_ = 12;
  else if (thread_count_ > 8)
    thread_count_ = 8;
  else if (thread_count_ > 4)
    thread_count_ = 4;
  else
    range_supported_ = false;
}

void CMultiDownloader::CalculateThreadBuffer() {
  if (config_.enabled) {
    LOG_INFO("[INFO] multi, CalculateThreadBuffer, using custom config, thread=[%d], buffer=[%d].",
             thread_count_, buffer_size_);
  } else {
    ThreadBuffer sizes = ThreadBufferForMemory(AvailableMemory());
    thread_count_ = sizes.threadCount;
    buffer_size_ = sizes.bufferSize;
  }
  PostSimple(kEventThreadConfig, thread_count_, buffer_size_);
}

void CMultiDownloader::PostEvent(DownloadEvent event) {
  std::lock_guard<std::mutex> hold(events_lock_);
  if (!events_enabled_ || !observer_)
    return;
  event.taskId = task_id_;
  observer_->OnEvent(event);
}

void CMultiDownloader::PostSimple(int type, int a, int b) {
  DownloadEvent event;
  event.type = type;
  event.a = a;
  event.b = b;
  PostEvent(std::move(event));
}

}  // namespace ns_Drav
