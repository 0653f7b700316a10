// One byte range of a package over one HTTP(S) connection, on a thread of its
// own. Received bytes collect in a fixed buffer that is handed to the file
// writer when full; the worker ends in one of the final states that the
// segmented downloader reads.
#ifndef QEL_ENGINE_RANGE_WORKER_H_
#define QEL_ENGINE_RANGE_WORKER_H_

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/curl_setup.h"
#include "engine/easy_pool.h"

namespace ns_Drav {

// Where a worker's bytes go: written at `offset` of the package file.
// Returns the number of bytes written: `length`, or 0 on failure.
class IFileWriter {
 public:
  virtual ~IFileWriter() = default;
  virtual int64_t WriteAt(int64_t offset, int64_t length, const void* data) = 0;
};

enum RangeState : int {
  kRangeIdle = -1,
  kRangeRunning = 1,
  kRangePaused = 2,
  kRangeCanceled = 3,  // final
  kRangeSuccess = 4,   // final
  kRangeFailed = 5,    // final
};

inline bool IsFinalRangeState(int state) {
  return state == kRangeCanceled || state == kRangeSuccess || state == kRangeFailed;
}

// Why a worker refused the body of its response.
enum class BodyRefusal : int {
  kNone = 0,
  kRangeIgnored,  // whole file or another range where this range was asked for
  kSizeMismatch,  // the server's file has another size than the package
  kHttpError,     // not a 2xx answer: its body is not package data
};

class RangeWorker {
 public:
  RangeWorker();
  ~RangeWorker();
  // Where the handle comes from and goes back to after a clean transfer, so
  // that its connection carries the next range; set before Init.
  void set_pool(EasyPool* pool) { pool_ = pool; }

  RangeWorker(const RangeWorker&) = delete;
  RangeWorker& operator=(const RangeWorker&) = delete;

  // Prepares the transfer of [rangeStart, rangeEnd] (rangeEnd -1: to the end
  // of the file). A non-empty `ip` pins the URL's host to that address while
  // the request keeps the host name. False when no handle could be made.
  bool Init(const std::string& url,
            int64_t rangeStart,
            int64_t rangeEnd,
            const std::string& ip,
            const std::string& tempPath);

  // Settings made between Init and Start.
  void set_file_size(int64_t size) { file_size_ = size; }
  void set_buffer_size(int size) { buffer_size_ = size; }
  void set_file_writer(IFileWriter* writer) { writer_ = writer; }
  void set_connect_timeout(int seconds) { connect_timeout_ = seconds; }
  void set_low_speed(int bytesPerSecond, int seconds) {
    low_speed_limit_ = bytesPerSecond;
    low_speed_time_ = seconds;
  }
  void set_stall_ms(int64_t ms) { stall_ms_ = ms; }
  // Refuse every scheme but HTTPS, redirects included.
  void set_https_only(bool on) { https_only_ = on; }
  // Called on the worker thread once the worker has finished.
  void set_on_finished(std::function<void()> callback) { on_finished_ = std::move(callback); }

  // From idle only: starts the worker thread.
  bool Start();
  // From running or paused: ends the transfer at its next progress call.
  // A worker canceled before Start never runs.
  void Cancel();
  // From paused: lets the transfer go on.
  void Resume();
  // Cancels a live transfer, waits for the thread and frees the handle.
  void Release();

  // Moves the second half of the bytes still missing out of this range: the
  // range then ends just before the returned offset, which the caller gives
  // to a new worker. -1 when the worker is not running or no more than
  // `minimum` bytes are missing. `*oldEnd` gets the end before the cut.
  int64_t SplitOffTail(int64_t minimum, int64_t* oldEnd);

  // Readers on any thread see whole values.
  int state() const { return state_.load(std::memory_order_acquire); }
  int64_t range_start() const { return range_start_; }
  int64_t range_end() const { return range_end_.load(std::memory_order_acquire); }
  int64_t effective_end() const;
  int64_t downloaded() const { return downloaded_.load(std::memory_order_acquire); }
  int64_t saved() const { return saved_.load(std::memory_order_acquire); }
  int64_t undownloaded() const;
  const std::string& ip() const { return ip_; }
  const std::string& url() const { return url_; }
  const std::string& temp_path() const { return temp_path_; }

  // True once the thread has ended; then the values below are final.
  bool finished() const { return finished_.load(std::memory_order_acquire); }
  int curl_result() const { return curl_result_.load(std::memory_order_acquire); }
  int http_code() const { return http_code_.load(std::memory_order_acquire); }
  bool write_failed() const { return write_failed_.load(std::memory_order_acquire); }
  BodyRefusal refusal() const {
    return static_cast<BodyRefusal>(refusal_.load(std::memory_order_acquire));
  }
  // Final URL after redirects, when it differs from the URL; read it only
  // once finished() holds.
  const std::string& effective_url() const { return effective_url_; }

  // The downloader's marks, kept on its own thread.
  bool reported = false;
  bool superseded = false;  // a newer worker fetches the rest of this range

 private:
  static size_t OnWrite(char* data, size_t size, size_t count, void* self);
  static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

  void Run();
  size_t Receive(const char* data, size_t length);
  bool AcceptResponse();
  void Flush(const char* data, int64_t length);
  void FlushBuffer();
  void SetFinalState(int state);
  void ApplyTransferOptions();
  void LogEnd();
  void FreeHandle();

  CurlEasy easy_;
  CurlList resolve_list_;
  CurlList header_list_;
  std::string url_;
  std::string host_name_;
  int port_ = 0;
  std::string ip_;
  std::string temp_path_;
  std::string effective_url_;

  int64_t range_start_ = 0;
  std::atomic<int64_t> range_end_{0};
  std::atomic<int64_t> downloaded_{0};
  std::atomic<int64_t> saved_{0};
  // Guards the end of the range against a split while bytes are accepted.
  std::mutex range_lock_;

  std::atomic<int> state_{kRangeIdle};
  std::atomic<uint64_t> last_data_ms_{0};  // monotonic; 0 = no data yet
  uint64_t start_ms_ = 0;
  int64_t t_start_ = 0;  // wall-clock seconds, for the log
  int64_t t_end_ = 0;
  double speed_ = 0;

  std::unique_ptr<char[]> buffer_;
  int64_t buffered_ = 0;
  bool response_checked_ = false;

  int64_t file_size_ = 0;
  int buffer_size_ = 5 * 1024 * 1024;
  IFileWriter* writer_ = nullptr;
  int connect_timeout_ = 15;
  int low_speed_limit_ = 1;
  int low_speed_time_ = 90;
  int64_t stall_ms_ = 10000;
  bool https_only_ = false;
  EasyPool* pool_ = nullptr;
  std::function<void()> on_finished_;

  std::atomic<int> curl_result_{0};
  std::atomic<int> http_code_{0};
  std::atomic<bool> write_failed_{false};
  std::atomic<int> refusal_{0};
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace ns_Drav

#endif  // QEL_ENGINE_RANGE_WORKER_H_
