#include "engine/range_worker.h"

#include <cinttypes>
#include <cstring>
#include <ctime>
#include <new>
#include <set>
#include <system_error>

#include "engine/url_parts.h"
#include "foundation/log.h"
#include "platform/clock.h"

namespace ns_Drav {

namespace {

constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0)";
// libcurl's receive buffer: large reads mean fewer calls per megabyte.
constexpr long kReceiveBufferSize = 512 * 1024;
// libcurl hands the body over in pieces of 16 KiB. They are gathered into
// blocks of this size (at most the configured buffer): one positioned write,
// and one turn of the file's lock, per block instead of per piece, while the
// block still sits in the processor's cache when it is written.
constexpr int64_t kWriteBlock = 128 * 1024;

int64_t WallSeconds() {
  return static_cast<int64_t>(time(nullptr));
}

// The first byte of a "bytes a-b/total" Content-Range value and its total
// (-1 when "*"); false when the value is not of that form.
bool ParseContentRange(const char* value, int64_t* first, int64_t* total) {
  long long a = 0, b = 0;
  char rest[32] = {0};
  if (sscanf(value, " bytes %lld-%lld/%31s", &a, &b, rest) != 3 || a < 0 || b < a)
    return false;
  *first = a;
  *total = strcmp(rest, "*") == 0 ? -1 : strtoll(rest, nullptr, 10);
  return true;
}

}  // namespace

RangeWorker::RangeWorker() = default;

RangeWorker::~RangeWorker() {
  Release();
}

bool RangeWorker::Init(const std::string& url,
                       int64_t rangeStart,
                       int64_t rangeEnd,
                       const std::string& ip,
                       const std::string& tempPath) {
  url_ = url;
  range_start_ = rangeStart;
  range_end_.store(rangeEnd, std::memory_order_release);
  ip_ = ip;
  temp_path_ = tempPath;
  UrlParts parts;
  if (ParseUrl(url, &parts)) {
    host_name_ = parts.host;
    port_ = parts.port;
  }
  EnsureCurlGlobalInit();
  easy_ = pool_ ? pool_->Take(ip) : CurlEasy(curl_easy_init());
  if (!easy_) {
    LOG_ERROR("[ERROR] easy=[%p], init failed!", static_cast<void*>(this));
    return false;
  }
  CURL* easy = easy_.get();
  curl_easy_setopt(easy, CURLOPT_URL, url_.c_str());
  if (url_.find("http://") != std::string::npos)
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));

  std::string range = "Range: bytes=" + std::to_string(rangeStart) + "-";
  if (rangeEnd > 0 && rangeEnd >= rangeStart)
    range += std::to_string(rangeEnd);
  // HTTP/1.0 closes after each response unless asked otherwise; an open
  // connection lets the next range skip the handshake and TCP's slow start.
  header_list_ = CurlList({range, "Accept-Encoding: identity", "Cache-Control: no-cache",
                           "Pragma: no-cache", "Connection: keep-alive"});
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, header_list_.get());

  if (!ip_.empty() && !host_name_.empty()) {
    // The URL's own port first; 443 and 80 as well, for redirects on the
    // same host.
    std::set<int> ports = {port_, 443, 80};
    for (int port : ports) {
      if (port > 0)
        resolve_list_.Append(host_name_ + ":" + std::to_string(port) + ":" + ip_);
    }
    curl_easy_setopt(easy, CURLOPT_RESOLVE, resolve_list_.get());
  }
  ApplyTlsVerification(easy);
  curl_easy_setopt(easy, CURLOPT_TCP_FASTOPEN, 1L);
  curl_easy_setopt(easy, CURLOPT_TCP_NODELAY, 1L);
  curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "identity");
  curl_easy_setopt(easy, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_FILETIME, 1L);
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &RangeWorker::OnWrite);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy, CURLOPT_PRIVATE, this);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &RangeWorker::OnProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, this);
  LOG_INFO("[INFO] easy=[%p], init, host=[%s], range(%" PRId64 "~%" PRId64 ")",
           static_cast<void*>(this), ip_.c_str(), rangeStart, rangeEnd);
  return true;
}

void RangeWorker::ApplyTransferOptions() {
  CURL* easy = easy_.get();
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connect_timeout_));
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(low_speed_limit_));
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(low_speed_time_));
  if (https_only_) {
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "https");
  }
}

bool RangeWorker::Start() {
  int idle = kRangeIdle;
  if (!easy_ || !state_.compare_exchange_strong(idle, kRangeRunning)) {
    // Canceled before it ran: no thread will end it, so it ends here.
    if (!thread_.joinable())
      finished_.store(true, std::memory_order_release);
    return false;
  }
  t_start_ = WallSeconds();
  start_ms_ = GetTickCountMs();
  ApplyTransferOptions();
  try {
    thread_ = std::thread(&RangeWorker::Run, this);
  } catch (const std::system_error&) {
    state_.store(kRangeFailed, std::memory_order_release);
    FreeHandle();
    finished_.store(true, std::memory_order_release);
    return false;
  }
  return true;
}

void RangeWorker::Cancel() {
  int current = state_.load(std::memory_order_acquire);
  while (current == kRangeIdle || current == kRangeRunning || current == kRangePaused) {
    if (state_.compare_exchange_weak(current, kRangeCanceled)) {
      last_data_ms_.store(GetTickCountMs(), std::memory_order_release);
      return;
    }
  }
}

void RangeWorker::Resume() {
  int paused = kRangePaused;
  // Nothing pauses a transfer through libcurl, so there is nothing to wake.
  if (state_.compare_exchange_strong(paused, kRangeRunning))
    last_data_ms_.store(GetTickCountMs(), std::memory_order_release);
}

void RangeWorker::Release() {
  Cancel();
  if (thread_.joinable())
    thread_.join();
  FreeHandle();
  buffer_.reset();
}

int64_t RangeWorker::effective_end() const {
  int64_t end = range_end();
  return end >= 0 ? end : file_size_ - 1;
}

int64_t RangeWorker::undownloaded() const {
  int64_t left = effective_end() - (range_start_ + downloaded()) + 1;
  return left > 0 ? left : 0;
}

int64_t RangeWorker::SplitOffTail(int64_t minimum, int64_t* oldEnd) {
  std::lock_guard<std::mutex> hold(range_lock_);
  if (state() != kRangeRunning)
    return -1;
  int64_t end = effective_end();
  int64_t left = undownloaded();
  if (left <= minimum)
    return -1;
  int64_t split = end - left / 2;
  range_end_.store(split - 1, std::memory_order_release);
  *oldEnd = end;
  return split;
}

size_t RangeWorker::OnWrite(char* data, size_t size, size_t count, void* self) {
  return static_cast<RangeWorker*>(self)->Receive(data, size * count);
}

int RangeWorker::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  RangeWorker* worker = static_cast<RangeWorker*>(self);
  int state = worker->state();
  if (state == kRangeCanceled) {
    worker->SetFinalState(kRangeCanceled);
    return 1;
  }
  if (state != kRangeRunning)
    return 0;
  if (worker->range_start_ + worker->downloaded() > worker->effective_end()) {
    worker->SetFinalState(kRangeSuccess);
    return 2;
  }
  uint64_t last = worker->last_data_ms_.load(std::memory_order_acquire);
  if (last != 0 && GetTickCountMs() - last > static_cast<uint64_t>(worker->stall_ms_)) {
    worker->SetFinalState(kRangeFailed);
    return 3;
  }
  return 0;
}

// Only bytes of the asked range from a 2xx answer are package data: an error
// page, or a whole file sent for a range that starts later, must never reach
// the file at this range's offset.
bool RangeWorker::AcceptResponse() {
  CURL* easy = easy_.get();
  long code = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
  http_code_.store(static_cast<int>(code), std::memory_order_release);
  BodyRefusal refusal = BodyRefusal::kNone;
  if (code < 200 || code > 299) {
    refusal = BodyRefusal::kHttpError;
  } else if (code == 206) {
    curl_header* header = nullptr;
    int64_t first = -1, total = -1;
    if (curl_easy_header(easy, "Content-Range", 0, CURLH_HEADER, -1, &header) != CURLHE_OK ||
        !ParseContentRange(header->value, &first, &total) || first != range_start_) {
      refusal = BodyRefusal::kRangeIgnored;
    } else if (total >= 0 && file_size_ > 0 && total != file_size_) {
      refusal = BodyRefusal::kSizeMismatch;
    }
  } else {
    curl_off_t length = -1;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (range_start_ != 0)
      refusal = BodyRefusal::kRangeIgnored;
    else if (length >= 0 && file_size_ > 0 && length != file_size_)
      refusal = BodyRefusal::kSizeMismatch;
  }
  refusal_.store(static_cast<int>(refusal), std::memory_order_release);
  return refusal == BodyRefusal::kNone;
}

size_t RangeWorker::Receive(const char* data, size_t length) {
  if (!response_checked_) {
    response_checked_ = true;
    if (!AcceptResponse())
      return 0;
  }
  // After a cancel, a finished range or a failed write, the transfer stops.
  if (state() != kRangeRunning || write_failed())
    return 0;
  // Pieces are gathered into blocks; a piece that fills a block by itself
  // goes from libcurl's buffer straight to the file.
  const int64_t block = std::min<int64_t>(kWriteBlock, buffer_size_);
  bool gather = static_cast<int64_t>(length) < block;
  if (gather && !buffer_) {
    buffer_.reset(new (std::nothrow) char[static_cast<size_t>(block)]);
    if (!buffer_) {
      LOG_ERROR("[ERROR] easy=[%p], new buf failed! size=[%d].", static_cast<void*>(this),
                buffer_size_);
      return length;
    }
  }
  last_data_ms_.store(GetTickCountMs(), std::memory_order_release);
  int64_t accepted;
  {
    std::lock_guard<std::mutex> hold(range_lock_);
    accepted = std::min<int64_t>(static_cast<int64_t>(length), undownloaded());
    downloaded_.fetch_add(accepted, std::memory_order_acq_rel);
  }
  const char* at = data;
  int64_t left = accepted;
  if (!gather) {
    FlushBuffer();  // what was gathered goes first: the file is written in order
    Flush(at, left);
    left = 0;
  }
  while (left > 0) {
    int64_t take = std::min<int64_t>(left, block - buffered_);
    memcpy(buffer_.get() + buffered_, at, static_cast<size_t>(take));
    buffered_ += take;
    at += take;
    left -= take;
    if (buffered_ == block)
      FlushBuffer();
  }
  if (undownloaded() == 0)
    SetFinalState(kRangeSuccess);
  return static_cast<size_t>(accepted);
}

void RangeWorker::Flush(const char* data, int64_t length) {
  if (!writer_ || !data || length <= 0 || write_failed())
    return;
  int64_t written = writer_->WriteAt(range_start_ + saved(), length, data);
  if (written == length)
    saved_.fetch_add(written, std::memory_order_acq_rel);
  else
    write_failed_.store(true, std::memory_order_release);
}

void RangeWorker::FlushBuffer() {
  if (buffer_ && buffered_ > 0)
    Flush(buffer_.get(), buffered_);
  buffered_ = 0;
}

void RangeWorker::SetFinalState(int state) {
  FlushBuffer();
  buffer_.reset();
  if (state == kRangeSuccess && write_failed())
    state = kRangeFailed;
  int current = state_.load(std::memory_order_acquire);
  do {
    if (IsFinalRangeState(current))
      return;  // a final state never changes
  } while (!state_.compare_exchange_weak(current, state));
  t_end_ = WallSeconds();
  curl_off_t speed = 0;
  if (easy_)
    curl_easy_getinfo(easy_.get(), CURLINFO_SPEED_DOWNLOAD_T, &speed);
  speed_ = static_cast<double>(speed);
  if (state == kRangeSuccess) {
    LOG_INFO("[INFO] easy=[%p], success. range(%" PRId64 "~%" PRId64 "), downloaded=[%" PRId64
             "], undownloaded=[%" PRId64 "], saved=[%" PRId64 "], speed=[%.0f B/s].",
             static_cast<void*>(this), range_start_, range_end(), downloaded(), undownloaded(),
             saved(), speed_);
  } else if (state == kRangeFailed) {
    LOG_ERROR("[ERROR] easy=[%p], failed! range(%" PRId64 "~%" PRId64 "), downloaded=[%" PRId64
              "], undownloaded=[%" PRId64 "], saved=[%" PRId64 "], speed=[%.0f B/s].",
              static_cast<void*>(this), range_start_, range_end(), downloaded(), undownloaded(),
              saved(), speed_);
  }
}

void RangeWorker::Run() {
  CURL* easy = easy_.get();
  CURLcode result = curl_easy_perform(easy);
  curl_result_.store(result, std::memory_order_release);
  if (result != CURLE_OK && state() == kRangeRunning) {
    LOG_ERROR("[ERROR] easy=[%p], curl_easy_perform failed! err=[%d][%s].",
              static_cast<void*>(this), result, curl_easy_strerror(result));
    SetFinalState(kRangeFailed);
  }
  long code = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
  http_code_.store(static_cast<int>(code), std::memory_order_release);
  if (state() == kRangeRunning) {
    bool ok_code = code == 0 || (code >= 200 && code <= 299);
    if (ok_code && undownloaded() == 0) {
      SetFinalState(kRangeSuccess);
    } else if (ok_code) {
      LOG_WARN("[WARN] easy=[%p], there is some abnormality.", static_cast<void*>(this));
      SetFinalState(kRangeFailed);
    } else {
      LOG_WARN("[WARN] easy=[%p], http code=[%ld].", static_cast<void*>(this), code);
      SetFinalState(kRangeFailed);
    }
  }
  // A cancel seen only by the write callback leaves bytes in the buffer.
  FlushBuffer();
  buffer_.reset();
  LogEnd();
  // A response read to its end leaves a connection the next range can use.
  if (pool_ && result == CURLE_OK && state() == kRangeSuccess)
    pool_->Give(ip_, std::move(easy_));
  FreeHandle();
  finished_.store(true, std::memory_order_release);
  if (on_finished_)
    on_finished_();
}

void RangeWorker::LogEnd() {
  CURL* easy = easy_.get();
  LOG_INFO("[INFO] easy=[%p], status=[%d], ip=[%s], tEnd(%" PRId64 ")-tStart(%" PRId64 ")=[%" PRId64
           "], range(%" PRId64 "~%" PRId64 "), downloaded=[%" PRId64 "], undownloaded=[%" PRId64
           "], saved=[%" PRId64 "].",
           static_cast<void*>(this), state(), ip_.c_str(), t_end_, t_start_, t_end_ - t_start_,
           range_start_, range_end(), downloaded(), undownloaded(), saved());
  long verify = 0;
  if (curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &verify) == CURLE_OK && verify != 0)
    LOG_WARN("[WARN] easy=[%p], ssl verify result=[%ld].", static_cast<void*>(this), verify);
  char* effective = nullptr;
  if (curl_easy_getinfo(easy, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective &&
      url_ != effective) {
    effective_url_ = effective;
    LOG_INFO("[INFO] easy=[%p], effective url=[%s].", static_cast<void*>(this), effective);
  }
}

void RangeWorker::FreeHandle() {
  easy_.reset();
  resolve_list_ = CurlList();
  header_list_ = CurlList();
}

}  // namespace ns_Drav
