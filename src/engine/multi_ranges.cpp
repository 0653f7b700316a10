// The ranges of an attempt: planning, starting, watching, restarting and
// splitting them.
#include <algorithm>
#include <cinttypes>
#include <map>

#include "engine/download_status.h"
#include "engine/multi_downloader.h"
#include "engine/range_plan.h"
#include "engine/server_counts.h"
#include "foundation/log.h"
#include "platform/memory.h"

namespace ns_Drav {

namespace {

// A split leaves both halves at least this much to fetch.
constexpr int64_t kMinimumSplit = 1024 * 1024;

int StatusForCurlError(int code) {
  switch (code) {
    case CURLE_COULDNT_CONNECT:
      return kStatusConnectFailed;
    case CURLE_SEND_ERROR:
      return kStatusSendFailed;
    case CURLE_RECV_ERROR:
    case CURLE_RANGE_ERROR:
      return kStatusReceiveFailed;
    case CURLE_COULDNT_RESOLVE_HOST:
      return kStatusDnsFailed;
    case CURLE_OPERATION_TIMEDOUT:
      return kStatusTimeout;
    case CURLE_SSL_CONNECT_ERROR:
    case 51:  // the certificate-check code of older libcurl
    case CURLE_PEER_FAILED_VERIFICATION:
      return kStatusSslFailed;
    case CURLE_TOO_MANY_REDIRECTS:
      return kStatusTooManyRedirects;
    case CURLE_GOT_NOTHING:
      return kStatusServerClosed;
    default:
      return kStatusOtherError;
  }
}

bool IsBlockedPageRedirect(const std::string& url) {
  bool private_net =
      url.rfind("10.", 0) == 0 || url.rfind("192.", 0) == 0 || url.rfind("172.", 0) == 0;
  return private_net && url.find("disable.htm") != std::string::npos;
}

}  // namespace

int64_t CMultiDownloader::AvailableMemory() const {
  return GetAvailablePhysicalMemory();
}

bool CMultiDownloader::PlanRanges() {
  cached_size_ = 0;
  {
    std::lock_guard<std::mutex> hold(worker_list_lock_);
    pending_.clear();
  }
  if (file_.is_open())
    file_.FlushAndClose();
  int64_t total = total_size_;

  std::map<int64_t, int64_t> record;
  if (ReadResumeRecord(temp_path_, total, &record) && !record.empty() &&
      file_.OpenForWrite(temp_path_)) {
    LOG_INFO("[INFO] multi, resume download.");
    int64_t missing = 0;
    for (const auto& [start, end] : record)
      missing += end - start + 1;
    cached_size_ = std::max<int64_t>(total - missing, 0);
    LOG_INFO("[INFO] multi, total=[%" PRId64 "], cached=[%" PRId64 "], undownloaded=[%" PRId64 "].",
             total, cached_size_.load(), missing);
    int started = 0;
    for (const auto& [start, end] : record) {
      // Beyond the connection count the recorded ranges wait their turn.
      if (started >= thread_count_ || !StartRangeWorker(start, end, buffer_size_, "")) {
        std::lock_guard<std::mutex> hold(worker_list_lock_);
        pending_.push_back({start, end});
      } else {
        ++started;
      }
    }
    return true;
  }

  if (!CreateTempFileForPlan())
    return false;
  if (!file_.OpenForWrite(temp_path_)) {
    LOG_ERROR("[ERROR] multi, create null file failed!");
    status_ = kStatusFileFailed;
    return false;
  }
  if (!range_supported_) {
    LOG_WARN("[WARN] not support range download.");
    if (!StartRangeWorker(0, -1, buffer_size_, "")) {
      std::lock_guard<std::mutex> hold(worker_list_lock_);
      pending_.push_back({0, total - 1});
    }
    return true;
  }
  int segments = SegmentsForSize(
      config_.enabled ? config_.segments : DefaultSegments(total, thread_count_), total);
  std::vector<ByteRange> plan = PlanSegments(total, segments);
  for (size_t i = 0; i < plan.size(); ++i) {
    if (static_cast<int>(i) < thread_count_ &&
        StartRangeWorker(plan[i].start, plan[i].end, buffer_size_, "")) {
      continue;
    }
    std::lock_guard<std::mutex> hold(worker_list_lock_);
    pending_.push_back(plan[i]);
  }
  if (!pending_.empty()) {
    LOG_INFO(
        "[INFO] multi, segment/concurrent decoupled: segments=[%d], active=[%d], "
        "pending=[%d].",
        segments, thread_count_, static_cast<int>(pending_.size()));
  }
  return true;
}

std::unique_ptr<RangeWorker> CMultiDownloader::MakeWorker(int64_t start,
                                                          int64_t end,
                                                          int64_t buffer,
                                                          const std::string& ip) {
  int64_t minimum = MinimumBufferSize(thread_count_);
  if (buffer < minimum) {
    LOG_ERROR("[ERROR] multi, buffer size [%" PRId64 "] less than minimum [%" PRId64
              "] for %d threads.",
              buffer, minimum, thread_count_);
    status_ = kStatusBufferError;
    return nullptr;
  }
  if (buffer < kMiB)
    LOG_WARN("[WARN] multi, free memory less 1MB, using reduced buffer size=[%d].",
             static_cast<int>(buffer));
  auto worker = std::make_unique<RangeWorker>();
  worker->set_pool(&pool_);
  std::string address = ip.empty() ? resolver_->PickHostIp() : ip;
  if (!worker->Init(url_, start, end, address, temp_path_))
    return nullptr;
  worker->set_file_size(total_size_);
  worker->set_buffer_size(static_cast<int>(buffer));
  worker->set_file_writer(this);
  if (config_.enabled) {
    worker->set_connect_timeout(config_.connectTimeout);
    worker->set_low_speed(config_.lowSpeedLimit, config_.lowSpeedTime);
  } else {
    worker->set_connect_timeout(timing_.connectTimeoutSeconds);
    worker->set_low_speed(1, timing_.lowSpeedTimeSeconds);
  }
  worker->set_stall_ms(timing_.stallMs);
  worker->set_https_only(https_only_);
  // A free connection is taken up at once, not at the next poll.
  worker->set_on_finished([this] { WakeMonitor(); });
  return worker;
}

void CMultiDownloader::LaunchWorker(RangeWorker* worker) {
  DownloadEvent ip;
  ip.type = kEventRangeIp;
  ip.text = worker->ip();
  PostEvent(std::move(ip));
  DownloadEvent range;
  range.type = kEventRangeStarted;
  range.a = -1;
  range.value = worker->undownloaded();
  PostEvent(std::move(range));
  worker->Start();
}

bool CMultiDownloader::StartRangeWorker(int64_t start,
                                        int64_t end,
                                        int64_t buffer,
                                        const std::string& ip,
                                        WorkerListHook hook) {
  std::unique_ptr<RangeWorker> worker = MakeWorker(start, end, buffer, ip);
  if (!worker)
    return false;
  RangeWorker* started = worker.get();
  {
    // In the list before it runs: a checkpoint never misses a live range.
    std::lock_guard<std::mutex> hold(worker_list_lock_);
    if (canceled())
      return false;
    if (hook)
      hook();
    workers_.push_back(std::move(worker));
  }
  LaunchWorker(started);
  return true;
}

bool CMultiDownloader::StartPendingSegment(const std::string& ip) {
  if (pending_.empty())
    return false;
  ByteRange next = pending_.front();
  LOG_INFO("[INFO] multi, start pending segment range(%" PRId64 "~%" PRId64 "), remaining=[%d].",
           next.start, next.end, static_cast<int>(pending_.size()) - 1);
  int64_t buffer = std::min<int64_t>(buffer_size_, FreeMemoryBufferCap(AvailableMemory()));
  // The segment leaves the queue in the same step that its worker joins the
  // list, so that every checkpoint holds it exactly once.
  return StartRangeWorker(next.start, next.end, buffer, ip, [this] { pending_.pop_front(); });
}

bool CMultiDownloader::SplitRunningRange(const std::string& ip) {
  RangeWorker* started = nullptr;
  {
    // The cut, the new worker and the list change are one step for the
    // checkpoint thread.
    std::lock_guard<std::mutex> hold(worker_list_lock_);
    if (canceled())
      return false;
    auto it = std::find_if(workers_.begin(), workers_.end(), [](const auto& worker) {
      return worker->state() == kRangeRunning && worker->undownloaded() > kMinimumSplit;
    });
    if (it == workers_.end())
      return false;
    int64_t old_end = 0;
    int64_t split = (*it)->SplitOffTail(kMinimumSplit, &old_end);
    if (split < 0)
      return false;
    std::unique_ptr<RangeWorker> worker =
        MakeWorker(split, old_end, FreeMemoryBufferCap(AvailableMemory()), ip);
    if (!worker) {
      // The tail is already cut off its old range; it waits for a connection.
      pending_.push_front({split, old_end});
      return false;
    }
    started = worker.get();
    workers_.push_back(std::move(worker));
  }
  LaunchWorker(started);
  return true;
}

// One pass of the watch over the ranges. False when the attempt is over.
bool CMultiDownloader::MonitorPass(int* noProgress, int errorLimit) {
  int64_t before = Downloaded();
  if (!backlog_)
    WaitForWorkers(timing_.monitorIntervalMs);
  backlog_ = false;
  ProgressTick();

  bool more = false;
  std::vector<RangeWorker*> finished;
  // Only this thread changes the list, so it reads it without the lock.
  for (const auto& worker : workers_) {
    if (!worker->finished()) {
      more = true;
      continue;
    }
    if (!worker->reported) {
      worker->reported = true;
      finished.push_back(worker.get());
      more = true;
      // A burst of finished ranges is spread over passes, so progress goes on.
      if (finished.size() == 3) {
        backlog_ = true;
        break;
      }
    }
  }
  for (RangeWorker* worker : finished) {
    bool started = false;
    HandleFinished(worker, &started);
    if (Downloaded() != before) {
      *noProgress = 0;
    } else if (status_ != kStatusSuccess || worker->state() == kRangeFailed) {
      if (++*noProgress >= errorLimit) {
        LOG_ERROR("[ERROR] multi, too many errors without progress (cnt=%d >= %d), break.",
                  *noProgress, errorLimit);
        return false;
      }
    }
    if (started) {
      more = true;
      if (!canceled())
        status_ = kStatusSuccess;
    }
  }
  return more;
}

void CMultiDownloader::MapWorkerError(RangeWorker* worker) {
  int result = worker->curl_result();
  if (result != CURLE_OK && result != CURLE_WRITE_ERROR && result != CURLE_ABORTED_BY_CALLBACK) {
    LOG_ERROR("[ERROR] multi, curl_error=[%d][%s].", result,
              curl_easy_strerror(static_cast<CURLcode>(result)));
    status_ = StatusForCurlError(result);
    if (result == CURLE_RANGE_ERROR)
      range_supported_ = false;
  }
  if (worker->write_failed())
    status_ = kStatusFileFailed;
  switch (worker->refusal()) {
    case BodyRefusal::kRangeIgnored:
      LOG_WARN("[WARN] multi, server ignored the range, range(%" PRId64 "~%" PRId64 ").",
               worker->range_start(), worker->range_end());
      range_supported_ = false;
      status_ = kStatusReceiveFailed;
      break;
    case BodyRefusal::kSizeMismatch:
      LOG_ERROR("[ERROR] multi, server file size differs, ip=[%s].", worker->ip().c_str());
      status_ = kStatusSizeError;
      break;
    default:
      break;
  }
  int code = worker->http_code();
  if (code == 416) {
    range_supported_ = false;
    status_ = kStatusReceiveFailed;
  } else if (code == 0 && result == CURLE_OPERATION_TIMEDOUT) {
    status_ = kStatusTimeout;
  } else if (code >= 400) {
    // An error answer would otherwise be retried forever without a status.
    status_ = kStatusDownloadFailed;
  }
  if (IsBlockedPageRedirect(worker->effective_url()))
    range_supported_ = false;
}

void CMultiDownloader::HandleFinished(RangeWorker* worker, bool* started) {
  MapWorkerError(worker);
  if (canceled()) {
    status_ = kStatusCanceled;
    return;
  }
  switch (worker->state()) {
    case kRangeSuccess: {
      if (!range_supported_)
        break;
      if (!pending_.empty()) {
        *started = StartPendingSegment(worker->ip());
        break;
      }
      int live = 0;
      for (const auto& other : workers_)
        live += IsFinalRangeState(other->state()) ? 0 : 1;
      int change = tuner_.Change(live + 1, thread_count_, max_concurrent_,
                                 Downloaded() - cached_size_, ReceivedTcpBytes());
      for (int i = 0; i < change + 1; ++i) {
        if (!SplitRunningRange(worker->ip()))
          break;
        *started = true;
      }
      break;
    }
    case kRangeFailed: {
      if (!range_supported_)
        break;
      // From the last byte that reached the file: bytes received but not
      // written are fetched again.
      int64_t start = worker->range_start() + worker->saved();
      int64_t end = worker->effective_end();
      if (start > end)
        break;
      LOG_INFO("[INFO] multi, failed, redownload range(%" PRId64 "~%" PRId64 ").", start, end);
      *started = StartRangeWorker(start, end, FreeMemoryBufferCap(AvailableMemory()), "",
                                  [worker] { worker->superseded = true; });
      break;
    }
    case kRangeCanceled:
      status_ = kStatusCanceled;
      break;
    default:
      break;
  }
}

void CMultiDownloader::StopAllWorkers() {
  {
    std::lock_guard<std::mutex> hold(worker_list_lock_);
    for (auto& worker : workers_)
      worker->Cancel();
  }
  // Only this thread changes the list; the joins need no lock.
  for (auto& worker : workers_)
    worker->Release();
}

void CMultiDownloader::ReleaseWorkers() {
  std::vector<std::unique_ptr<RangeWorker>> released;
  {
    std::lock_guard<std::mutex> hold(worker_list_lock_);
    released.swap(workers_);
    pending_.clear();
  }
  released.clear();  // each worker's destructor waits for its thread
  pool_.Clear();     // the next attempt starts on fresh connections
}

int64_t CMultiDownloader::Downloaded() const {
  std::lock_guard<std::mutex> hold(worker_list_lock_);
  int64_t sum = cached_size_;
  for (const auto& worker : workers_)
    sum += worker->downloaded();
  return sum;
}

std::vector<ByteRange> CMultiDownloader::MissingRanges() const {
  std::vector<ByteRange> missing;
  std::lock_guard<std::mutex> hold(worker_list_lock_);
  for (const auto& worker : workers_) {
    if (worker->superseded)
      continue;
    // saved, not downloaded: bytes still in a buffer are not in the file.
    int64_t start = worker->range_start() + worker->saved();
    int64_t end = worker->effective_end();
    if (start <= end)
      missing.push_back({start, end});
  }
  missing.insert(missing.end(), pending_.begin(), pending_.end());
  return missing;
}

int64_t CMultiDownloader::WrittenPrefix() const {
  int64_t prefix = total_size_;
  for (const ByteRange& range : MissingRanges())
    prefix = std::min(prefix, range.start);
  return prefix;
}

bool CMultiDownloader::AllBytesPresent() const {
  return MissingRanges().empty();
}

}  // namespace ns_Drav
